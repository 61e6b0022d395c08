// The main window under the program's own application object, offscreen, with stand-in search
// panels that record what the window asks of them. Program folder and key store are temporary;
// the error box and the browser are replaced.

#include "shell/Main.h"

#include "platform/ShellOpen.h"
#include "shell/About.h"
#include "shell/LangSections.h"
#include "shell/TrawlApplication.h"
#include "shell/WebAddresses.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/shell/LangTestSupport.h"
#include "tests/support/TempProgramFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TrawlApplication *app()
{
    return static_cast<TrawlApplication *>(QCoreApplication::instance());
}

// Panels in place of the real ones, each with a text field, recording what the window asks.
struct StandInPanels
{
    QList<int> robotWidths, engineWidths;
    int ieLoads = 0;

    static QWidget *panel(const char *name, QWidget *panClient)
    {
        auto *panel = new QWidget(panClient);
        panel->setObjectName(QString::fromLatin1(name));
        LangSections::markAsPanel(panel);
        auto *field = new QLineEdit(panel);
        field->setObjectName(QStringLiteral("edtField"));
        return panel;
    }

    TPanelMaker maker()
    {
        return [this](const TPanelServices &, QWidget *panClient) {
            TMainPanels panels;
            panels.fraRobot = panel("fraRobot", panClient);
            panels.fraEngine = panel("fraEngine", panClient);
            panels.fraIE = panel("fraIE", panClient);
            panels.setRobotListWidth = [this](int width) { robotWidths.append(width); };
            panels.setEngineListWidth = [this](int width) { engineWidths.append(width); };
            panels.loadIeSettings = [this] { ++ieLoads; };
            return panels;
        };
    }
};

class MainWindowTest : public testing::Test
{
protected:
    MainWindowTest()
    {
        for (const char *name :
             {"English.ini", "EnglishP.ini", "ChinaCn.ini", "ChinaCnP.ini", "ChinaTw.ini", "ChinaTwP.ini"}) {
            const QString file = QString::fromLatin1(name);
            EXPECT_TRUE(writeBytes(folder.file(file), readBytes(QStringLiteral(TRAWL_LANG_SOURCE_DIR "/") + file)));
        }
        previousReporter = app()->setErrorReporter(
            [this](const QString &title, const QString &message) { errors.append(title + QStringLiteral(": ") + message); });
        previousLauncher = ShellOpen::setLauncher([this](const QString &address) { opened.append(address); });
    }
    ~MainWindowTest() override
    {
        app()->setErrorReporter(previousReporter);
        ShellOpen::setLauncher(previousLauncher);
    }

    std::unique_ptr<TfrmMain> start() { return std::make_unique<TfrmMain>(panels.maker()); }

    static void show(TfrmMain &window)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    static void choose(TfrmMain &window, int node)
    {
        window.trvNavigation()->setCurrentItem(window.trvNavigation()->topLevelItem(node));
    }

    static QAction *action(const TfrmMain &window, const char *name)
    {
        auto *found = window.findChild<QAction *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QStringList visiblePanels(const TfrmMain &window)
    {
        QStringList names;
        for (const QWidget *panel : {window.fraRobot(), window.fraEngine(), window.fraIE()}) {
            if (panel->isVisible())
                names.append(panel->objectName());
        }
        return names;
    }

    static QStringList checkedLanguages(const TfrmMain &window)
    {
        QStringList names;
        for (const char *name : {"actLc", "actLt", "actLe"}) {
            if (action(window, name)->isChecked())
                names.append(QString::fromLatin1(name));
        }
        return names;
    }

    void storeSettings(const QByteArray &ini) const
    {
        EXPECT_TRUE(writeBytes(folder.file(QStringLiteral("TrawlMain.ini")), ini));
    }

    TempRegistryFile registry;
    TempProgramFolder folder;
    StandInPanels panels;
    QStringList errors, opened;
    TrawlApplication::ErrorReporter previousReporter;
    ShellOpen::Launcher previousLauncher;
};

QPoint screenCentre(const QWidget &window)
{
    return window.screen()->availableGeometry().center();
}

} // namespace

TEST_F(MainWindowTest, AFirstStartShowsTheEnginePanelCentredUnderTheTitleAtTheDefaultListWidth)
{
    const std::unique_ptr<TfrmMain> window = start();
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex"));
    EXPECT_EQ(window->size(), QSize(666, 487));
    EXPECT_EQ(window->la()->FileName(), u("English.ini"));
    EXPECT_TRUE(visiblePanels(*window).isEmpty());

    show(*window);
    EXPECT_EQ(visiblePanels(*window), QStringList{u("fraEngine")});
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - Engine Search"));
    EXPECT_EQ(panels.engineWidths, QList<int>{200});
    EXPECT_TRUE(panels.robotWidths.isEmpty());
    EXPECT_EQ(panels.ieLoads, 0);
    EXPECT_EQ(window->frameGeometry().size(), QSize(666, 487)) << "the designed size is the outer one";
    EXPECT_LT(window->size().height(), 487) << "offscreen windows have a frame too";
    EXPECT_LE((window->frameGeometry().center() - screenCentre(*window)).manhattanLength(), 2);
    EXPECT_TRUE(checkedLanguages(*window).isEmpty());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u("\n")).toStdString();
    // Nothing is written by a start.
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("TrawlMain.ini"))));
}

TEST_F(MainWindowTest, TheProgressBarCoversTheSecondStatusPanel)
{
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    TznStatusBar *bar = window->stuMain();
    ASSERT_EQ(bar->PanelCount(), 5);
    EXPECT_EQ(bar->PanelRect(TfrmMain::stuProgress), QRect(100, 0, 100, 25));
    EXPECT_EQ(window->prgMain()->parentWidget(), bar);
    EXPECT_EQ(window->prgMain()->geometry(), QRect(103, 3, 97, 22));
    EXPECT_TRUE(window->prgMain()->isVisible());
}

TEST_F(MainWindowTest, StoredListWidthsAreUsedAndAnythingButAWholeNumberGivesTheDefault)
{
    struct Row
    {
        const char *settings;
        int robot;
    };
    const Row rows[] = {
        {"[Robot]\r\nSplit=350\r\n", 350},
        {"[robot]\r\nsplit= 90 \r\n", 90},
        {"[Robot]\r\nSplit=abc\r\n", 200},
        {"[Robot]\r\nSplit=12px\r\n", 200},
        {"[Robot]\r\nSplit=\r\n", 200},
        {"[Engine]\r\nSplit=350\r\n", 200},
        {"", 200},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.settings);
        storeSettings(row.settings);
        panels = {};
        const std::unique_ptr<TfrmMain> window = start();
        show(*window);
        choose(*window, TfrmMain::RobotPanel);
        EXPECT_EQ(panels.robotWidths, QList<int>{row.robot});
    }
    storeSettings("[Engine]\r\nSplit=260\r\n[Robot]\r\nSplit=150\r\n");
    panels = {};
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    EXPECT_EQ(panels.engineWidths, QList<int>{260});
}

TEST_F(MainWindowTest, EachNodeShowsItsOwnPanelAndEveryPanelKeepsItsStateMeanwhile)
{
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    window->fraEngine()->findChild<QLineEdit *>()->setText(u("engine state"));
    window->fraRobot()->findChild<QLineEdit *>()->setText(u("robot state"));

    choose(*window, TfrmMain::RobotPanel);
    EXPECT_EQ(visiblePanels(*window), QStringList{u("fraRobot")});
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - Robot Search"));
    choose(*window, TfrmMain::IePanel);
    EXPECT_EQ(visiblePanels(*window), QStringList{u("fraIE")});
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - IE Search"));
    EXPECT_EQ(panels.ieLoads, 1);
    choose(*window, TfrmMain::EnginePanel);
    EXPECT_EQ(visiblePanels(*window), QStringList{u("fraEngine")});
    choose(*window, TfrmMain::IePanel);
    // The capture panel drops unconfirmed input each time it shows; the others keep theirs.
    EXPECT_EQ(panels.ieLoads, 2);
    EXPECT_EQ(window->fraEngine()->findChild<QLineEdit *>()->text(), u("engine state"));
    EXPECT_EQ(window->fraRobot()->findChild<QLineEdit *>()->text(), u("robot state"));
    EXPECT_EQ(panels.engineWidths, (QList<int>{200, 200}));
    EXPECT_EQ(panels.robotWidths, QList<int>{200});

    // A node for no panel hides them all and leaves the caption.
    auto *stray = new QTreeWidgetItem(window->trvNavigation(), {u("Stray")});
    stray->setData(0, Qt::UserRole, 7);
    window->trvNavigation()->setCurrentItem(stray);
    EXPECT_TRUE(visiblePanels(*window).isEmpty());
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - IE Search"));
    auto *bare = new QTreeWidgetItem(window->trvNavigation(), {u("Bare")});
    window->trvNavigation()->setCurrentItem(bare);
    EXPECT_TRUE(visiblePanels(*window).isEmpty());
    EXPECT_EQ(panels.engineWidths.size(), 2);
}

TEST_F(MainWindowTest, ALanguageChoiceChecksOneItemRetranslatesTheCaptionAndSurvivesARestart)
{
    {
        const std::unique_ptr<TfrmMain> window = start();
        show(*window);
        choose(*window, TfrmMain::RobotPanel);
        for (const char *name : {"actLe", "actLc", "actLt", "actLc"}) {
            SCOPED_TRACE(name);
            action(*window, name)->trigger();
            EXPECT_EQ(checkedLanguages(*window), QStringList{QString::fromLatin1(name)});
        }
        EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - 机器人搜索"));
        EXPECT_EQ(action(*window, "actQuit")->text(), u("退出"));
        EXPECT_EQ(window->la()->ParaText(u("Searching")), u("正在搜索…"));
        window->close();
    }
    const std::unique_ptr<TfrmMain> restarted = start();
    EXPECT_EQ(restarted->la()->FileName(), u("ChinaCn.ini"));
    EXPECT_EQ(restarted->la()->ParaText(u("Searching")), u("正在搜索…"));
    EXPECT_TRUE(checkedLanguages(*restarted).isEmpty());
    show(*restarted);
    EXPECT_EQ(restarted->trvNavigation()->topLevelItem(0)->text(0), u("引擎搜索"));
    EXPECT_EQ(restarted->windowTitle(), u("Norvane Trawlex - 引擎搜索"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u("\n")).toStdString();
}

TEST_F(MainWindowTest, TheCaptionKeepsTheSelectedNodeWhenTheWindowIsTranslatedAgain)
{
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    choose(*window, TfrmMain::IePanel);
    // Each activation walks the window, and the language file holds the window's plain caption.
    window->la()->Translate(window.get(), QString());
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - IE Search"));
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(window->windowTitle(), u("Norvane Trawlex - IE Search"));
}

TEST_F(MainWindowTest, AMessageFileThatCannotBeReadIsReportedAndTheWindowStillOpens)
{
    storeSettings("[Language]\r\nLanguage=ChinaTw.ini\r\n[Para]\r\nPara=Missing.ini\r\n");
    const std::unique_ptr<TfrmMain> window = start();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(u("Norvane Trawlex: Cannot open file \"") + folder.file(u("Missing.ini")) + u("\". ")))
        << errors.first().toStdString();
    // The language file was set before the message file failed.
    EXPECT_EQ(window->la()->FileName(), u("ChinaTw.ini"));
    show(*window);
    EXPECT_EQ(visiblePanels(*window), QStringList{u("fraEngine")});
    // Without a message table there is no title text.
    EXPECT_EQ(window->windowTitle(), u(" - 引擎搜尋"));
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(MainWindowTest, AStoredSizeAndStateComeBackWhileTheStoredPlaceGivesWayToTheCentre)
{
    const QByteArray key = "[HKEY_CURRENT_USER\\SOFTWARE\\Norvane\\Norvane Trawlex\\Position]\n";
    registry.write("REGEDIT4\n\n" + key
                   + "\"Left\"=dword:00000000\n\"Top\"=dword:00000000\n\"Width\"=dword:00000320\n"
                     "\"Height\"=dword:00000258\n\"State\"=dword:00000002\n");
    {
        const std::unique_ptr<TfrmMain> window = start();
        EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
        show(*window);
        EXPECT_TRUE(window->isMaximized());
        EXPECT_EQ(window->normalGeometry().size(), QSize(800, 600));
        EXPECT_LE((window->normalGeometry().center() - screenCentre(*window)).manhattanLength(), 2);
        action(*window, "actQuit")->trigger();
        EXPECT_FALSE(window->isVisible());
    }
    const QByteArray stored = registry.read();
    EXPECT_TRUE(stored.contains("\"State\"=dword:00000002")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("\"Width\"=dword:00000320")) << stored.toStdString();

    registry.write("REGEDIT4\n\n" + key
                   + "\"Left\"=dword:00000000\n\"Top\"=dword:00000000\n\"Width\"=dword:000002bc\n"
                     "\"Height\"=dword:000001f4\n\"State\"=dword:00000000\n");
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->frameGeometry().size(), QSize(700, 500));
    EXPECT_LE((window->frameGeometry().center() - screenCentre(*window)).manhattanLength(), 2);
}

TEST_F(MainWindowTest, TheMakersPagesOpenInTheBrowserAndAboutShowsTheOneBox)
{
    const std::unique_ptr<TfrmMain> window = start();
    show(*window);
    action(*window, "actOnLineSupport")->trigger();
    action(*window, "actOnlineForum")->trigger();
    EXPECT_EQ(opened, (QStringList{QString(WebAddresses::onlineSupport), QString(WebAddresses::onlineForum)}));

    // Without the help library help does nothing, and says nothing.
    action(*window, "actHelp")->trigger();
    action(*window, "actHelpItem")->trigger();
    EXPECT_TRUE(errors.isEmpty());

    action(*window, "actAbout")->trigger(); // no box made yet: nothing to show
    TAboutBox box(window.get());
    AboutBox = &box;
    int shown = 0;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(0, &box, [&box, &shown] {
            if (box.isVisible() && box.isModal())
                ++shown;
            box.accept();
        });
        action(*window, "actAbout")->trigger();
    }
    AboutBox = nullptr;
    EXPECT_EQ(shown, 2);
}
