// The program's forms made as the program start makes them, with the real search panels, under
// the program's own application object, offscreen, in a temporary program folder and key store.

#include "app/ProgramStart.h"

#include "search/Engine.h"
#include "search/EngineOption.h"
#include "search/IeSearch.h"
#include "search/OptionDialog.h"
#include "search/Robot.h"
#include "search/RobotOption.h"
#include "shell/About.h"
#include "shell/HelpViewer.h"
#include "shell/HtmlHelp.h"
#include "shell/Main.h"
#include "shell/TrawlApplication.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/support/TempProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProgramStartTest : public testing::Test
{
protected:
    ProgramStartTest()
    {
        for (const char *name : {"English.ini", "EnglishP.ini"}) {
            const QString file = QString::fromLatin1(name);
            EXPECT_TRUE(QFile::copy(QStringLiteral(TRAWL_PROGRAM_DIR "/") + file, folder.file(file)));
        }
        auto *application = static_cast<TrawlApplication *>(QCoreApplication::instance());
        previousReporter = application->setErrorReporter(
            [this](const QString &, const QString &message) { errors.append(message); });
    }
    ~ProgramStartTest() override
    {
        ProgramStart::destroyForms();
        static_cast<TrawlApplication *>(QCoreApplication::instance())->setErrorReporter(previousReporter);
    }

    static void choose(int node)
    {
        frmMain->trvNavigation()->setCurrentItem(frmMain->trvNavigation()->topLevelItem(node));
    }

    // The forms with the help file in the program folder and the help library bound.
    void startWithHelp()
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(TRAWL_PROGRAM_DIR "/Trawl.chm"), folder.file(QStringLiteral("Trawl.chm"))));
        ASSERT_TRUE(HtmlHelp::bind());
        ProgramStart::createForms();
        frmMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
    }
    static const HelpViewer *shownHelp()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *viewer = qobject_cast<HelpViewer *>(window); viewer != nullptr && viewer->isVisible())
                return viewer;
        }
        return nullptr;
    }

    TempRegistryFile registry;
    TempProgramFolder folder;
    QStringList errors;
    TrawlApplication::ErrorReporter previousReporter;
};

} // namespace

TEST_F(ProgramStartTest, TheFourFormsAreMadeInOrderAndOnlyTheMainWindowShows)
{
    ProgramStart::createForms();
    ASSERT_NE(frmMain, nullptr);
    ASSERT_NE(AboutBox, nullptr);
    ASSERT_NE(frmEngineOption, nullptr);
    ASSERT_NE(frmRobotOption, nullptr);
    EXPECT_EQ(frmMain->objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(AboutBox->objectName(), QStringLiteral("AboutBox"));
    EXPECT_EQ(frmEngineOption->objectName(), QStringLiteral("frmEngineOption"));
    EXPECT_EQ(frmRobotOption->objectName(), QStringLiteral("frmRobotOption"));
    // Made in this order, each one a child of the main window.
    const QObjectList &children = frmMain->children();
    EXPECT_LT(children.indexOf(AboutBox), children.indexOf(frmEngineOption));
    EXPECT_LT(children.indexOf(frmEngineOption), children.indexOf(frmRobotOption));

    EXPECT_NE(qobject_cast<TfaRobot *>(frmMain->fraRobot()), nullptr);
    EXPECT_NE(qobject_cast<TfaEngine *>(frmMain->fraEngine()), nullptr);
    EXPECT_NE(qobject_cast<TfaIE *>(frmMain->fraIE()), nullptr);
    EXPECT_EQ(frmMain->fraIE()->objectName(), QStringLiteral("fraIE"));

    frmMain->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
    EXPECT_TRUE(frmMain->fraEngine()->isVisible());
    EXPECT_FALSE(frmMain->fraRobot()->isVisible());
    EXPECT_FALSE(frmMain->fraIE()->isVisible());
    for (const QWidget *dialog : std::initializer_list<const QWidget *>{AboutBox, frmEngineOption, frmRobotOption})
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
    EXPECT_EQ(frmMain->windowTitle(), QStringLiteral("Norvane Trawlex - Engine Search"));
    EXPECT_TRUE(errors.isEmpty());

    ProgramStart::destroyForms();
    EXPECT_EQ(frmMain, nullptr);
    EXPECT_EQ(AboutBox, nullptr);
    EXPECT_EQ(frmEngineOption, nullptr);
    EXPECT_EQ(frmRobotOption, nullptr);
}

TEST_F(ProgramStartTest, TheRealPanelsTakeTheirStoredStateEachTimeTheyShow)
{
    {
        QFile settings(folder.file(QStringLiteral("TrawlMain.ini")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Robot]\r\nSplit=240\r\n");
    }
    ProgramStart::createForms();
    frmMain->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
    EXPECT_EQ(static_cast<TfaEngine *>(frmMain->fraEngine())->MailListWidth(), TfrmMain::defaultListWidth);
    choose(TfrmMain::RobotPanel);
    EXPECT_EQ(static_cast<TfaRobot *>(frmMain->fraRobot())->MailListWidth(), 240);

    // Typed into the capture panel and not confirmed: gone when the panel shows again.
    choose(TfrmMain::IePanel);
    auto *file = frmMain->fraIE()->findChild<QLineEdit *>(QStringLiteral("edtFile"));
    ASSERT_NE(file, nullptr);
    file->setText(QStringLiteral("typed.txt"));
    choose(TfrmMain::EnginePanel);
    choose(TfrmMain::IePanel);
    EXPECT_EQ(file->text(), QString());
    EXPECT_TRUE(errors.isEmpty());
}

// The panels and dialogs are made with what the main window hands them, the dialogs after the
// panels: every service and both dialogs must reach them on the program's own path.
TEST_F(ProgramStartTest, PanelsAndDialogsReportThroughTheMainWindowAndThePanelsOpenTheirDialogs)
{
    startWithHelp();
    if (HasFatalFailure())
        return;
    choose(TfrmMain::RobotPanel);
    auto *robot = static_cast<TfaRobot *>(frmMain->fraRobot());
    auto *engine = static_cast<TfaEngine *>(frmMain->fraEngine());
    const TznLang *la = frmMain->la();
    const auto text = [la](const char *key) { return la->ParaText(QString::fromLatin1(key)); };
    ASSERT_FALSE(text("Stopping").isEmpty()) << "the message table is loaded";

    QStringList messages;
    QList<QDialog *> opened;
    const auto record = [&messages](QWidget *, const QString &message) { messages.append(message); };
    for (TCrawlPanel *panel : {static_cast<TCrawlPanel *>(robot), static_cast<TCrawlPanel *>(engine)}) {
        panel->setMessageBox(record);
        panel->setModalRunner([&opened](QDialog *dialog) {
            opened.append(dialog);
            static_cast<TOptionDialog *>(dialog)->btnCancelClick();
        });
    }
    frmRobotOption->setMessageBox(record);

    QTest::mouseClick(robot->findChild<QPushButton *>(QStringLiteral("Button3")), Qt::LeftButton);
    QTest::mouseClick(engine->findChild<QPushButton *>(QStringLiteral("btnOption")), Qt::LeftButton);
    EXPECT_EQ(opened, (QList<QDialog *>{frmRobotOption, frmEngineOption}));

    QTest::mouseClick(robot->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    frmRobotOption->findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QStringLiteral("ftp://x"));
    frmRobotOption->btnOkClick();
    EXPECT_EQ(messages, (QStringList{text("InitUrlUnspedified"), text("InitUrlWarning")}));

    robot->Button2Click();
    engine->btnStopClick();
    EXPECT_EQ(frmMain->stuMain()->PanelText(TfrmMain::stuRobotState), text("Stopping"));
    EXPECT_EQ(frmMain->stuMain()->PanelText(TfrmMain::stuEngineState), text("Stopping"));

    robot->SetMailListWidth(260);
    robot->splMainMoved();
    EXPECT_EQ(frmMain->iniMain()->ReadString(QStringLiteral("Robot"), QStringLiteral("Split"), QString()),
              QStringLiteral("260"));

    frmRobotOption->btnHelpClick();
    const HelpViewer *help = shownHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(HelpViewer::archivePath(help->browser()->source()), QStringLiteral("/Robot.htm"));
    EXPECT_TRUE(errors.isEmpty());
    ProgramStart::destroyForms();
    HtmlHelp::release();
}

TEST_F(ProgramStartTest, ClosingTheMainWindowEndsTheMessageLoopEvenWithHelpOpen)
{
    startWithHelp();
    if (HasFatalFailure())
        return;
    frmMain->findChild<QAction *>(QStringLiteral("actHelpItem"))->trigger();
    const HelpViewer *help = shownHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(HelpViewer::archivePath(help->browser()->source()), QStringLiteral("/Welcome.htm"));

    QTimer::singleShot(0, frmMain, [] { frmMain->findChild<QAction *>(QStringLiteral("actQuit"))->trigger(); });
    // Should the loop not end, this ends it with a code of its own.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(frmMain->isVisible());
    ProgramStart::destroyForms();
    HtmlHelp::release();
}
