// The robot search options dialog and panel, offscreen, against sites served on 127.0.0.1 from a
// temporary program folder. Message boxes, the save dialog, help and the modal showing of the
// options dialog are replaced, so nothing waits for a user.

#include "tests/search/PanelTestSupport.h"
#include "search/EngineOption.h"
#include "search/Robot.h"
#include "search/RobotOption.h"

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "shell/EnhListView.h"
#include "shell/znIniSetting.h"
#include "shell/znStatusBar.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

QStringList rowsOf(const TdfsEnhListView *list)
{
    QStringList rows;
    for (int row = 0; row < list->RowCount(); ++row)
        rows.append(list->Text(row, 0) + QLatin1Char('|') + list->Text(row, 1));
    return rows;
}

// The locale a widget takes its number format from, for the life of a test.
class DefaultLocale final
{
public:
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved_); }
    DefaultLocale(const DefaultLocale &) = delete;
    DefaultLocale &operator=(const DefaultLocale &) = delete;

private:
    const QLocale saved_;
};

class RobotOptionTest : public OptionDialogTest<TfrmRobotOption>
{
protected:
    QLineEdit *url() const { return part<QLineEdit>("edtInitUrl"); }
    QLineEdit *file() const { return part<QLineEdit>("edtFile"); }
    QSpinBox *depth() const { return part<QSpinBox>("intDepth"); }
    QSpinBox *queues() const { return part<QSpinBox>("intQue"); }
    void open()
    {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }
};

} // namespace

TEST_F(RobotOptionTest, DesignedValuesAndTabOrder)
{
    EXPECT_EQ(dialog.objectName(), QStringLiteral("frmRobotOption"));
    EXPECT_EQ(url()->text(), QStringLiteral("http://"));
    EXPECT_EQ(file()->text(), QString());
    EXPECT_EQ(dialog.Depth(), 500);
    EXPECT_EQ(dialog.Queues(), 500);
    EXPECT_TRUE(dialog.AllLink());
    EXPECT_FALSE(dialog.JapanOnly());

    QStringList order;
    QWidget *at = url();
    for (int i = 0; i < 16; ++i, at = at->nextInFocusChain()) {
        while (!(at->focusPolicy() & Qt::TabFocus) || at->objectName().startsWith(QLatin1String("qt_")))
            at = at->nextInFocusChain();
        order.append(at->objectName());
    }
    EXPECT_EQ(order.join(QLatin1Char(' ')), QStringLiteral("edtInitUrl edtFile intDepth rdoAll rdoThis intQue "
                                                           "chkJapan chkThorough chkRobots edtJobs edtPerHost edtWait "
                                                           "btnOk btnDefault btnCancel btnHelp"));
    EXPECT_FALSE(dialog.Rules().thorough) << "classic unless the user picks otherwise";
}

// The rules are the user's choice for good: ticked once, they come back in the next run, and an
// https start is taken only by a thorough crawl.
TEST_F(RobotOptionTest, TheThoroughChoiceIsKeptInTheMainSettingsAndLetsAnHttpsStartIn)
{
    TempProgramFolder folder;
    TznIniSetting ini;
    ini.setFileName(QStringLiteral("TrawlMain.ini"));
    TPanelServices withSettings = services();
    withSettings.iniMain = &ini;
    {
        TfrmRobotOption first(withSettings);
        QCheckBox *thorough = first.findChild<QCheckBox *>(QStringLiteral("chkThorough"));
        QCheckBox *robots = first.findChild<QCheckBox *>(QStringLiteral("chkRobots"));
        ASSERT_TRUE(thorough && robots);
        for (const char *name : {"chkRobots", "labJobs", "edtJobs", "labPerHost", "edtPerHost", "labWait", "edtWait"}) {
            QWidget *part = first.findChild<QWidget *>(QString::fromLatin1(name));
            ASSERT_NE(part, nullptr) << name;
            EXPECT_FALSE(part->isEnabled()) << name << " belongs to the thorough rules";
            thorough->setChecked(true);
            EXPECT_TRUE(part->isEnabled()) << name;
            thorough->setChecked(false);
        }
        thorough->setChecked(true);
        robots->setChecked(false);
        EXPECT_TRUE(first.Rules().thorough);
        EXPECT_FALSE(first.Rules().obeyRobots);
        EXPECT_TRUE(first.crawlSettings().rules.thorough);
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("RobotOption"), QStringLiteral("Thorough"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("RobotOption"), QStringLiteral("ObeyRobots"), QString()), QStringLiteral("0"));
    ini.WriteString(QStringLiteral("Thorough"), QStringLiteral("CaFile"), QStringLiteral("/etc/ssl/private-ca.pem"));

    TfrmRobotOption next(withSettings);
    next.setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
    EXPECT_TRUE(next.Rules().thorough);
    EXPECT_FALSE(next.Rules().obeyRobots);
    EXPECT_EQ(next.Rules().caFile, QByteArray("/etc/ssl/private-ca.pem"));
    next.show();
    next.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QStringLiteral("https://www.example.org/"));
    next.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
    EXPECT_FALSE(next.isVisible()) << "accepted";
    EXPECT_TRUE(messages.isEmpty());
}

// The pace of a thorough crawl is kept beside its rules, by each dialog in a section of its own,
// the seconds written with '.' while the user's locale shows a decimal comma; a stored value the
// dialog could not have written is taken for the default.
TEST_F(RobotOptionTest, ThePaceOfAThoroughCrawlIsKeptPerDialogAndAStoredValueOutOfRangeIsTheDefault)
{
    const DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    const struct
    {
        const char *section;
        const char *other;
        std::function<std::unique_ptr<TOptionDialog>(const TPanelServices &)> make;
    } kinds[] = {
        {"RobotOption", "EngineOption",
         [](const TPanelServices &with) { return std::make_unique<TfrmRobotOption>(with); }},
        {"EngineOption", "RobotOption",
         [](const TPanelServices &with) { return std::make_unique<TfrmEngineOption>(with); }},
    };
    // nullptr: nothing stored.
    const struct
    {
        const char *jobs, *perHost, *wait;
        int expectedJobs, expectedPerHost, expectedWaitMs;
    } stored[] = {
        {nullptr, nullptr, nullptr, CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
        {"1", "1", "0", 1, 1, 0},
        {"64", "16", "60", 64, 16, 60000},
        {" 8 ", "2", "0.5", 8, 2, 500},
        {"0", "0", "-0.5", CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
        {"65", "17", "60.5", CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
        {"-3", "99999999999", "nan", CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
        {"many", "", "0,5", CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
        {"8.0", "0x4", "2s", CrawlRules::kDefaultJobs, CrawlRules::kDefaultPerHost, 0},
    };
    for (const auto &kind : kinds) {
        const QString section = QString::fromLatin1(kind.section);
        for (const auto &row : stored) {
            SCOPED_TRACE(std::string(kind.section) + " " + (row.jobs ? row.jobs : "-") + " " +
                         (row.perHost ? row.perHost : "-") + " " + (row.wait ? row.wait : "-"));
            TempProgramFolder folder;
            TznIniSetting ini;
            ini.setFileName(QStringLiteral("TrawlMain.ini"));
            TPanelServices withSettings = services();
            withSettings.iniMain = &ini;
            ini.WriteString(section, QStringLiteral("Thorough"), QStringLiteral("1"));
            const std::pair<const char *, const char *> texts[] = {
                {"Jobs", row.jobs}, {"PerHost", row.perHost}, {"Wait", row.wait}};
            for (const auto &[key, text] : texts) {
                if (text)
                    ini.WriteString(section, QString::fromLatin1(key), QString::fromLatin1(text));
            }
            const CrawlRules rules = kind.make(withSettings)->crawlSettings().rules;
            EXPECT_EQ(rules.jobs, row.expectedJobs);
            EXPECT_EQ(rules.perHost, row.expectedPerHost);
            EXPECT_EQ(rules.waitMs, row.expectedWaitMs);
        }

        SCOPED_TRACE(std::string(kind.section) + " kept across a reopen");
        TempProgramFolder folder;
        TznIniSetting ini;
        ini.setFileName(QStringLiteral("TrawlMain.ini"));
        TPanelServices withSettings = services();
        withSettings.iniMain = &ini;
        {
            const std::unique_ptr<TOptionDialog> first = kind.make(withSettings);
            first->findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(true);
            first->findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(32);
            first->findChild<QSpinBox *>(QStringLiteral("edtPerHost"))->setValue(2);
            QDoubleSpinBox *wait = first->findChild<QDoubleSpinBox *>(QStringLiteral("edtWait"));
            wait->setValue(1.5);
            EXPECT_EQ(wait->text(), QStringLiteral("1,5")) << "shown as the user writes numbers";
        }
        EXPECT_EQ(ini.ReadString(section, QStringLiteral("Jobs"), QString()), QStringLiteral("32"));
        EXPECT_EQ(ini.ReadString(section, QStringLiteral("PerHost"), QString()), QStringLiteral("2"));
        EXPECT_EQ(ini.ReadString(section, QStringLiteral("Wait"), QString()), QStringLiteral("1.5"));
        EXPECT_EQ(ini.ReadString(QString::fromLatin1(kind.other), QStringLiteral("Jobs"), QStringLiteral("none")),
                  QStringLiteral("none"));
        const CrawlRules rules = kind.make(withSettings)->crawlSettings().rules;
        EXPECT_TRUE(rules.thorough);
        EXPECT_EQ(rules.jobs, 32);
        EXPECT_EQ(rules.perHost, 2);
        EXPECT_EQ(rules.waitMs, 1500);
    }
}

TEST_F(RobotOptionTest, OkClosesOnlyForTheExactPrefixAndEnterInTheUrlFieldIsOk)
{
    const struct
    {
        const char *typed;
        bool accepted;
    } rows[] = {
        {"http://", true},          {"http://www.example.org/a?b", true}, {"https://www.example.org/", false},
        {"HTTP://www.example.org", false}, {"Http://", false},             {" http://x.example", false},
        {"http:/", false},          {"", false},
    };
    for (const bool byEnter : {false, true}) {
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(row.typed) + (byEnter ? " (Enter)" : " (OK)"));
            messages.clear();
            open();
            url()->setText(QString::fromUtf8(row.typed));
            if (byEnter)
                QTest::keyClick(url(), Qt::Key_Return);
            else
                click("btnOk");
            EXPECT_EQ(dialog.isVisible(), !row.accepted);
            EXPECT_EQ(messages, row.accepted ? QStringList() : QStringList{textOf("InitUrlWarning")});
            if (!row.accepted) {
                EXPECT_EQ(QApplication::focusWidget(), url());
            }
            EXPECT_FALSE(dialog.Cancelled);
            dialog.hide();
        }
    }
}

TEST_F(RobotOptionTest, EnterElsewhereAndEscapeDoNothing)
{
    open();
    url()->setText(QStringLiteral("https://refused.example/"));
    for (QWidget *target : {static_cast<QWidget *>(file()), static_cast<QWidget *>(depth()),
                            static_cast<QWidget *>(part<QPushButton>("btnDefault"))}) {
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        QTest::keyClick(target, Qt::Key_Escape);
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages, QStringList());
    EXPECT_FALSE(dialog.Cancelled);
}

TEST_F(RobotOptionTest, DefaultRestoresTheLimitsOnlyAndSpinEditsReadNonNumbersAsZero)
{
    url()->setText(QStringLiteral("http://kept.example/"));
    file()->setText(QStringLiteral("kept.txt"));
    depth()->setValue(-7);
    queues()->setValue(2000000000);
    EXPECT_EQ(dialog.Depth(), -7) << "no lower bound";
    EXPECT_EQ(dialog.Queues(), 2000000000) << "no upper bound";
    part<QRadioButton>("rdoThis")->setChecked(true);
    part<QCheckBox>("chkJapan")->setChecked(true);
    EXPECT_FALSE(dialog.AllLink());
    EXPECT_TRUE(dialog.JapanOnly());

    depth()->findChild<QLineEdit *>()->setText(QString());
    queues()->findChild<QLineEdit *>()->setText(QStringLiteral("-"));
    EXPECT_EQ(dialog.Depth(), 0);
    EXPECT_EQ(dialog.Queues(), 0);

    click("btnDefault");
    EXPECT_EQ(dialog.Depth(), 500);
    EXPECT_EQ(dialog.Queues(), 500);
    EXPECT_TRUE(dialog.AllLink());
    EXPECT_FALSE(dialog.JapanOnly());
    EXPECT_EQ(dialog.InitUrl(), QStringLiteral("http://kept.example/"));
    EXPECT_EQ(dialog.FileName(), QStringLiteral("kept.txt"));
}

TEST_F(RobotOptionTest, TypedLimitsAreTakenAsTypedWhenOkMovesTheFocusAway)
{
    const struct
    {
        const char *typed;
        int read;
    } rows[] = {
        {"", 0}, {"12x", 0}, {" 7 ", 7}, {"-", 0}, {"-12", -12}, {"1,000", 0}, {"99999999999", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.typed);
        url()->setText(QStringLiteral("http://typed.example/"));
        open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        depth()->setFocus();
        depth()->selectAll();
        QTest::keyClick(depth(), Qt::Key_Delete);
        QTest::keyClicks(depth(), QString::fromUtf8(row.typed));
        EXPECT_EQ(depth()->text(), QString::fromUtf8(row.typed)) << "every key was taken";
        // The click on OK takes the focus from the field first, as the user's would.
        QTest::keyClick(depth(), Qt::Key_Return);
        QTest::mouseClick(part<QPushButton>("btnOk"), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(depth()->text(), QString::fromUtf8(row.typed)) << "the text was put back";
        EXPECT_EQ(dialog.Depth(), row.read);
        EXPECT_EQ(dialog.crawlSettings().limits.depth, row.read);
        // Shown again, the field still holds what was typed.
        open();
        EXPECT_EQ(depth()->text(), QString::fromUtf8(row.typed));
        dialog.hide();
    }
    // A step from text that reads as 0 starts from 0.
    open();
    depth()->setFocus();
    depth()->findChild<QLineEdit *>()->setText(QStringLiteral("abc"));
    QTest::keyClick(depth(), Qt::Key_Up);
    EXPECT_EQ(depth()->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.Depth(), 1);
}

TEST_F(RobotOptionTest, EachOpeningIsCentredOverTheOwnerInTheSamePlace)
{
    QWidget owner;
    owner.setGeometry(200, 150, 666, 487);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    TfrmRobotOption owned(services(), &owner);
    QList<QRect> places;
    for (int opening = 0; opening < 3; ++opening) {
        owned.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owned));
        places.append(owned.frameGeometry());
        // Moved by the user before it closes: the next opening is centred again all the same.
        owned.windowHandle()->setFramePosition(QPoint(10, 20 + opening));
        QCoreApplication::processEvents();
        owned.hide();
    }
    EXPECT_EQ(places.at(1), places.at(0));
    EXPECT_EQ(places.at(2), places.at(0));
    EXPECT_LE((places.at(0).center() - owner.frameGeometry().center()).manhattanLength(), 1);
    EXPECT_EQ(places.at(0).size(), owned.size().grownBy(QMargins(2, 2, 2, 2))) << "offscreen frames are 2 wide";
}

TEST(OptionDialogPlace, OuterBoundsCentredOverTheOwnersAndKeptOnTheScreen)
{
    const QRect screen(0, 0, 1280, 1024);
    const QMargins frame(1, 20, 1, 5);
    const struct
    {
        const char *why;
        QRect ownerFrame;
        QMargins frame;
        QRect client;
    } rows[] = {
        {"no frame", QRect(306, 248, 668, 512), QMargins(), QRect(431, 283, 417, 441)},
        {"a frame: the outer bounds are centred", QRect(306, 248, 668, 512), frame, QRect(431, 291, 417, 441)},
        {"owner past the right edge", QRect(1000, 248, 668, 512), frame, QRect(1280 - 1 - 417, 291, 417, 441)},
        {"owner above the top: the title bar stays on the screen", QRect(306, -400, 668, 512), frame,
         QRect(431, 20, 417, 441)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(centredOver(row.ownerFrame, QSize(417, 441), row.frame, screen), row.client);
    }
}

TEST_F(RobotOptionTest, SaveDialogGivesTxtToANameWithoutAnyDotAndCancelKeepsTheField)
{
    const struct
    {
        const char *chosen;
        const char *field;
    } rows[] = {
        {"/srv/out/mails", "/srv/out/mails.txt"},
        {"/srv/my.dir/mails", "/srv/my.dir/mails"},
        {"C:\\out\\mails", "C:\\out\\mails.txt"},
        {"/srv/out/mails.csv", "/srv/out/mails.csv"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.chosen);
        file()->setText(QStringLiteral("before"));
        dialogCalls.clear();
        dialogAnswer = QString::fromUtf8(row.chosen);
        click("spbTo");
        EXPECT_EQ(dialogCalls, QStringList{QStringLiteral(u"before|文本文件 (*.txt)")});
        EXPECT_EQ(file()->text(), QString::fromUtf8(row.field));
        EXPECT_EQ(file()->cursorPosition(), file()->text().size());
    }
    for (const QString &before : {QString(), QStringLiteral("/srv/kept.txt")}) {
        file()->setText(before);
        dialogAnswer = std::nullopt;
        click("spbTo");
        EXPECT_EQ(file()->text(), before);
    }
}

TEST_F(RobotOptionTest, CancelSetsCancelledUntilTheNextShowingAndHelpOpensTheRobotPage)
{
    open();
    click("btnCancel");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.Cancelled);
    open();
    EXPECT_FALSE(dialog.Cancelled);
    click("btnHelp");
    EXPECT_EQ(helpTopics, QStringList{QStringLiteral("Robot.htm")});
    EXPECT_TRUE(dialog.isVisible());
}

namespace {

class RobotPanelTest : public testing::Test
{
protected:
    RobotPanelTest()
    {
        panel->setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
        panel->setOptionDialog(&options);
        options.setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
        panel->setModalRunner([this](QDialog *dialog) {
            dialog->show();
            if (answer)
                answer(options);
            if (dialog->isVisible())
                dialog->close();
        });
        host.place(panel);
    }
    ~RobotPanelTest() override
    {
        delete panel;
        EXPECT_TRUE(WorkerReaper::waitForAll(5000));
    }

    template <typename T>
    T *in(QWidget *owner, const char *name) const
    {
        T *found = owner->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char *button) { QTest::mouseClick(in<QPushButton>(panel, button), Qt::LeftButton); }
    // Options confirmed with OK for `url`, `file` and the designed limits.
    void confirm(const QString &url, const QString &file = QString())
    {
        answer = [url, file](TfrmRobotOption &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(url);
            dialog.findChild<QLineEdit *>(QStringLiteral("edtFile"))->setText(file);
            dialog.btnOkClick();
        };
        click("Button3");
    }
    QString state() const { return stuMain->PanelText(3); }
    QString count() const { return stuMain->PanelText(4); }
    QStringList mails() const { return rowsOf(panel->levMail()); }
    QStringList queue() const { return rowsOf(panel->levQue()); }
    bool finished() const { return state() == textOf("Finished") && !panel->schMain()->Searching(); }

    TempProgramFolder folder;
    TempRegistryFile registry;
    PanelHostWindow host;
    TznStatusBar *const stuMain = host.stuMain;
    TznIniSetting &ini = host.ini;
    TfaRobot *panel = new TfaRobot(host.services(), &host.window);
    TfrmRobotOption options{host.services()};
    std::function<void(TfrmRobotOption &)> answer;
    QStringList messages;
};

} // namespace

TEST_F(RobotPanelTest, StartBeforeConfirmedOptionsOnlyWarnsAndCancelledOptionsChangeNothing)
{
    EXPECT_EQ(panel->objectName(), QStringLiteral("fraRobot"));
    click("Button1");
    EXPECT_EQ(messages, QStringList{textOf("InitUrlUnspedified")});
    EXPECT_EQ(state(), QString());
    EXPECT_FALSE(panel->schMain()->Searching());

    answer = [](TfrmRobotOption &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QStringLiteral("http://edited.example/"));
        dialog.btnCancelClick();
    };
    click("Button3");
    EXPECT_EQ(panel->schMain()->SearchEngine(), QByteArray());
    EXPECT_EQ(panel->ResultFile, QString());
    EXPECT_EQ(options.InitUrl(), QStringLiteral("http://edited.example/")) << "shown at the next opening";

    QLabel *notice = in<QLabel>(panel, "Label1");
    EXPECT_TRUE(notice->isVisible()) << "the support notice until options are confirmed";

    // The close box applies, even a URL that OK refuses.
    answer = [](TfrmRobotOption &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QStringLiteral("https://closed.example/"));
    };
    click("Button3");
    EXPECT_EQ(panel->schMain()->SearchEngine(), QByteArray("https://closed.example/"));
    EXPECT_EQ(panel->ResultFile, folder.file(QStringLiteral("Emails.txt")));
    EXPECT_EQ(in<TznStatusBar>(panel, "stuPage")->PanelText(1), QStringLiteral("text of InitUrl: https://closed.example/"));
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(RobotPanelTest, ConfirmedOptionsReachTheCrawlAndTheResultFileName)
{
    answer = [](TfrmRobotOption &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QStringLiteral("http://site.example/"));
        dialog.findChild<QLineEdit *>(QStringLiteral("edtFile"))->setText(QStringLiteral("out/found.txt"));
        dialog.findChild<QSpinBox *>(QStringLiteral("intDepth"))->setValue(7);
        dialog.findChild<QSpinBox *>(QStringLiteral("intQue"))->setValue(42);
        dialog.findChild<QRadioButton *>(QStringLiteral("rdoThis"))->setChecked(true);
        dialog.findChild<QCheckBox *>(QStringLiteral("chkJapan"))->setChecked(true);
        dialog.findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(true);
        dialog.findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(5);
        dialog.findChild<QSpinBox *>(QStringLiteral("edtPerHost"))->setValue(3);
        dialog.findChild<QDoubleSpinBox *>(QStringLiteral("edtWait"))->setValue(2.5);
        dialog.btnOkClick();
    };
    click("Button3");
    const TznWebSearch *crawl = panel->schMain();
    EXPECT_EQ(crawl->SearchEngine(), QByteArray("http://site.example/"));
    EXPECT_EQ(crawl->MaxLevel(), 7);
    EXPECT_EQ(crawl->MaxQueues(), 42);
    EXPECT_FALSE(crawl->AllLink());
    EXPECT_TRUE(crawl->JapanOnly());
    EXPECT_TRUE(crawl->Rules().thorough);
    EXPECT_EQ(crawl->Rules().jobs, 5);
    EXPECT_EQ(crawl->Rules().perHost, 3);
    EXPECT_EQ(crawl->Rules().waitMs, 2500);
    EXPECT_EQ(panel->ResultFile, QStringLiteral("out/found.txt")) << "taken as typed";

    confirm(QStringLiteral("http://site.example/"), QStringLiteral(" \t "));
    EXPECT_EQ(panel->ResultFile, folder.file(QStringLiteral("Emails.txt")));
}

TEST_F(RobotPanelTest, PageAddressesGoOnTopReversedAndIntoTheFileInOrderAndTheQueueIsMirroredBySlot)
{
    panel->ResultFile = QStringLiteral("found.txt");
    panel->schMainPageReceived("http://a.example/dir/", "", {"a@x.example", "b@x.example", "c@x.example"});
    panel->schMainPageReceived("http://b.example/", "", {"a@x.example"});
    EXPECT_EQ(mails(), (QStringList{QStringLiteral("a@x.example|http://b.example/"),
                                    QStringLiteral("c@x.example|http://a.example/dir/"),
                                    QStringLiteral("b@x.example|http://a.example/dir/"),
                                    QStringLiteral("a@x.example|http://a.example/dir/")}));
    EXPECT_EQ(folder.read(QStringLiteral("found.txt")), "a@x.example\r\nb@x.example\r\nc@x.example\r\na@x.example\r\n");
    EXPECT_EQ(count(), QStringLiteral("text of EmailsCount:4"));

    // A page without addresses, a file that cannot be written: the count is rewritten all the same.
    stuMain->SetPanelText(4, QStringLiteral("old"));
    panel->ResultFile = QStringLiteral("missing/folder/found.txt");
    panel->schMainPageReceived("http://c.example/", "", {});
    EXPECT_EQ(count(), QStringLiteral("text of EmailsCount:4"));
    panel->schMainPageReceived("http://c.example/", "", {"d@x.example"});
    EXPECT_EQ(mails().value(0), QStringLiteral("d@x.example|http://c.example/"));

    panel->schMainWebLinkChange("http://l0.example/", "1", 0);
    panel->schMainWebLinkChange("http://l1.example/", "2", 1);
    panel->schMainWebLinkChange("", "1", 0);
    EXPECT_EQ(queue(), (QStringList{QStringLiteral("|1"), QStringLiteral("http://l1.example/|2")}));

    // Page addresses are bytes: shown in the language's code page as it is when they come, never
    // as U+FFFD, with a byte it does not define and control bytes escaped.
    host.textEncoding = "GBK";
    panel->schMainPageReceived("http://c.example/\xD6\xD0\x81/", "", {"e@x.example"});
    host.textEncoding = {};
    panel->schMainPageReceived("http://c.example/caf\xE9\t", "", {"f@x.example"});
    panel->schMainWebLinkChange("http://l2.example/\xE9", "1", 0);
    EXPECT_EQ(mails().mid(0, 2), (QStringList{QString::fromUtf8("f@x.example|http://c.example/caf\xC3\xA9\\x09"),
                                            QString::fromUtf8("e@x.example|http://c.example/\xE4\xB8\xAD\\x81/")}));
    EXPECT_EQ(queue().value(0), QString::fromUtf8("http://l2.example/\xC3\xA9|1"));
}

TEST_F(RobotPanelTest, CrawlOfALocalSiteListsFilesCountsAndFinishesAndASecondSearchAppends)
{
    TestHttpServer site({
        {"/", 200, {}, "<p>a@site.example, b@site.example and c@site.example</p>\n<a href=\"sub/p1.html\">next</a>"},
        {"/sub/p1.html", 200, {}, "<p>mail D@Site.example</p>"},
    });
    confirm(QString::fromLatin1(site.url("/")));
    click("Button1");
    EXPECT_EQ(state(), textOf("Searching"));
    ASSERT_TRUE(waitUntil([this] { return finished(); }));

    const QString root = QString::fromLatin1(site.url("/"));
    const QStringList expected{QStringLiteral("d@site.example|") + root + QStringLiteral("sub/"),
                               QStringLiteral("c@site.example|") + root, QStringLiteral("b@site.example|") + root,
                               QStringLiteral("a@site.example|") + root};
    EXPECT_EQ(mails(), expected);
    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")),
              "a@site.example\r\nb@site.example\r\nc@site.example\r\nd@site.example\r\n");
    EXPECT_EQ(count(), QStringLiteral("text of EmailsCount:4"));
    // Slot 0 held p1 until it was taken; the take that found slot 1 empty reports it too.
    EXPECT_EQ(queue(), (QStringList{QStringLiteral("|1"), QStringLiteral("|0")}));

    if (const QString shot = qEnvironmentVariable("TRAWLEX_SHOT"); !shot.isEmpty()) {
        panel->SetMailListWidth(300);
        QTest::qWait(200);
        host.window.grab().save(shot);
    }

    click("Button1");
    EXPECT_EQ(mails(), QStringList());
    EXPECT_EQ(queue(), QStringList());
    EXPECT_EQ(count(), QStringLiteral("text of EmailsCount:4")) << "until the first page arrives";
    ASSERT_TRUE(waitUntil([this] { return finished(); }));
    EXPECT_EQ(mails(), expected);
    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")).count("\r\n"), 8);
}

TEST_F(RobotPanelTest, StartWhileRunningChangesNothingAndClosingMidCrawlReturnsPromptly)
{
    TestHttpServer site({
        {"/", 200, {}, "a@site.example <a href=\"/silent\">x</a> <a href=\"/later\">y</a>"},
        {"/silent", 200, {}, {}, Misbehaviour::SilentAfterAccept},
    });
    confirm(QString::fromLatin1(site.url("/")));
    click("Button1");
    ASSERT_TRUE(waitUntil([&site] { return site.requestedPaths().contains("/silent"); }));
    QTest::qWait(50);
    const QStringList listed = mails();
    const QStringList mirrored = queue();
    ASSERT_EQ(listed.size(), 1);
    ASSERT_EQ(mirrored.size(), 2);

    click("Button1");
    EXPECT_EQ(mails(), listed);
    EXPECT_EQ(queue(), mirrored);
    EXPECT_EQ(state(), textOf("Searching"));
    EXPECT_TRUE(panel->schMain()->Searching());

    click("Button2");
    EXPECT_EQ(state(), textOf("Stopping"));

    QElapsedTimer clock;
    clock.start();
    delete panel;
    panel = nullptr;
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(WorkerReaper::waitForAll(5000));
}

// Stop gives a silent page one second; a Start clicked meanwhile runs once the crawl has ended.
TEST_F(RobotPanelTest, StopEndsASilentFetchAndAStartClickedWhileStoppingRunsAfterIt)
{
    TestHttpServer site({{"/", 200, {}, {}, Misbehaviour::SilentAfterAccept}});
    confirm(QString::fromLatin1(site.url("/")));
    click("Button1");
    ASSERT_TRUE(waitUntil([&site] { return site.requestedPaths().size() == 1; }));
    QElapsedTimer clock;
    clock.start();
    click("Button2");
    click("Button1");
    EXPECT_EQ(state(), textOf("Stopping")) << "until the crawl has ended";
    ASSERT_TRUE(waitUntil([&site] { return site.requestedPaths().size() == 2; }, 5000));
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_EQ(state(), textOf("Searching"));
    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")), "Stopped\r\n");

    // A second Stop takes back a Start that waits for the crawl to end.
    click("Button2");
    click("Button1");
    click("Button2");
    ASSERT_TRUE(waitUntil([this] { return finished(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(site.requestedPaths().size(), 2);
    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")), "Stopped\r\nStopped\r\n");
}

// Results and failures that cannot be written: told once a crawl each, and the crawl goes on.
TEST_F(RobotPanelTest, FilesThatCannotBeWrittenAreToldOnceACrawlInTheSummaryAndABox)
{
    TestHttpServer site({
        {"/", 200, {}, "a@site.example <a href=\"/x\">x</a> <a href=\"/y\">y</a> <a href=\"/z\">z</a>"},
        {"/z", 200, {}, "b@site.example"},
    });
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("taken.txt")));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Err.ini")));
    confirm(QString::fromLatin1(site.url("/")), QStringLiteral("taken.txt"));
    for (int crawl = 1; crawl <= 2; ++crawl) {
        SCOPED_TRACE(crawl);
        click("Button1");
        ASSERT_TRUE(waitUntil([this, crawl] { return finished() && messages.size() == 2 * crawl; }));
        QTest::qWait(50);
        ASSERT_EQ(messages.size(), 2 * crawl);
        EXPECT_EQ(mails().size(), 2) << "the crawl went on";
        const QStringList told = messages.mid(2 * (crawl - 1));
        EXPECT_TRUE(told.at(0).startsWith(QStringLiteral("text of FileUnwritable: ") + folder.file(QStringLiteral("taken.txt")) + QStringLiteral(" (")))
            << told.at(0).toStdString();
        EXPECT_TRUE(told.at(1).startsWith(QStringLiteral("text of FileUnwritable: ") + folder.file(QStringLiteral("Err.ini")) + QStringLiteral(" (")))
            << told.at(1).toStdString();
        EXPECT_EQ(in<TznStatusBar>(panel, "stuPage")->PanelText(1), told.at(1));
    }
}

namespace {

// The shipped English message file, so that the texts filled in read as the user reads them.
TPanelServices::MessageLookup shippedEnglish()
{
    QFile file(QStringLiteral(TRAWL_LANG_SOURCE_DIR "/EnglishP.ini"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QHash<QString, QString> texts;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString text = QString::fromLatin1(line.trimmed());
        if (const qsizetype equals = text.indexOf(QLatin1Char('=')); equals > 0)
            texts.insert(text.first(equals), text.sliced(equals + 1));
    }
    return [texts](const QString &key) { return texts.value(key); };
}

} // namespace

// What a thorough crawl left out follows the end message; a crawl that left nothing out, or
// a classic one, ends as it always did. The host set aside is logged by the crawl, once.
TEST_F(RobotPanelTest, TheEndTextTellsWhatAThoroughCrawlLeftOut)
{
    host.paraText = shippedEnglish();
    std::vector<TestRoute> routes;
    QByteArray links;
    for (int page = 0; page < 12; ++page) {
        const QByteArray path = "/busy/" + QByteArray::number(page) + ".html";
        links += "<a href=\"" + path + "\">" + QByteArray::number(page) + "</a> ";
        routes.push_back({path, 200, {}, "<p>nothing here</p>"});
    }
    routes.push_back({"/", 200, {}, "<p>a@site.example</p> " + links});
    TestHttpServer site(routes);

    struct Row
    {
        bool thorough;
        int queue;
        int busyStatus;
        const char *end;
    };
    const Row rows[] = {
        {true, 5, 503,
         "Finished. 7 links did not fit in the queue. 1 host left alone after failing 5 times in a row: 127.0.0.1"},
        {true, 20, 503, "Finished. 1 host left alone after failing 5 times in a row: 127.0.0.1"},
        {true, 11, 200, "Finished. 1 link did not fit in the queue"},
        {true, 20, 200, "Finished"},
        {false, 5, 503, "Finished"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.thorough ? "thorough" : "classic") + ", queue " + std::to_string(row.queue)
                     + ", pages answering " + std::to_string(row.busyStatus));
        for (TestRoute route : routes) {
            if (route.path.startsWith("/busy/"))
                route.status = row.busyStatus;
            site.setRoute(route);
        }
        answer = [&site, &row](TfrmRobotOption &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QString::fromLatin1(site.url("/")));
            dialog.findChild<QSpinBox *>(QStringLiteral("intQue"))->setValue(row.queue);
            dialog.findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(row.thorough);
            dialog.findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(1);
            dialog.btnOkClick();
        };
        click("Button3");
        click("Button1");
        ASSERT_EQ(state(), QStringLiteral("Searching..."));
        ASSERT_TRUE(waitUntil([this] { return !panel->schMain()->Searching() && state() != QStringLiteral("Searching..."); }));
        EXPECT_EQ(state(), QString::fromLatin1(row.end));
        // The state panel is narrow: the whole text is there for the pointer.
        EXPECT_EQ(stuMain->CutText(stuMain->PanelRect(3).center()), state() == QStringLiteral("Finished") ? QString() : state());
    }
    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")).count("failures in a row"), 2);
}

// A stopped thorough crawl is kept beside the result file and Resume goes on with it; a crawl
// that ends of itself, or a new Start, leaves nothing to resume.
TEST_F(RobotPanelTest, AStoppedThoroughCrawlIsOfferedForResumeAndGoesOnWithoutWritingAnAddressTwice)
{
    host.paraText = shippedEnglish();
    std::vector<TestRoute> routes;
    QByteArray links;
    for (int page = 0; page < 8; ++page) {
        const QByteArray path = "/p" + QByteArray::number(page) + ".html";
        links += "<a href=\"" + path + "\">" + QByteArray::number(page) + "</a> ";
        routes.push_back({path, 200, {}, "<p>p" + QByteArray::number(page) + "@site.example.org</p>", Misbehaviour::None, 150});
    }
    routes.push_back({"/", 200, {}, "<p>root@site.example.org</p> " + links});
    TestHttpServer site(routes);
    const auto chooseThorough = [&site](bool thorough) {
        return [&site, thorough](TfrmRobotOption &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QString::fromLatin1(site.url("/")));
            dialog.findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(thorough);
            dialog.findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(1);
            dialog.btnOkClick();
        };
    };
    QPushButton *resume = in<QPushButton>(panel, "Button4");
    const QString kept = folder.file(QStringLiteral("Emails.txt.state"));
    int chainsEnded = 0;
    QObject::connect(panel->schMain(), &TznWebSearch::ChainEnded, panel, [&chainsEnded] { ++chainsEnded; });
    const auto stopAfterTwoPages = [&] {
        const int ended = chainsEnded;
        const qsizetype before = site.requestedPaths().count("/p1.html");
        click("Button1");
        ASSERT_TRUE(waitUntil([&site, before] { return site.requestedPaths().count("/p1.html") > before; }));
        click("Button2");
        ASSERT_TRUE(waitUntil([&chainsEnded, ended] { return chainsEnded > ended; }, 5000));
    };

    answer = chooseThorough(false);
    click("Button3");
    stopAfterTwoPages();
    EXPECT_FALSE(resume->isVisible()) << "a classic crawl keeps no state";
    EXPECT_FALSE(QFile::exists(kept));

    answer = chooseThorough(true);
    click("Button3");
    EXPECT_FALSE(resume->isVisible());
    stopAfterTwoPages();
    ASSERT_TRUE(resume->isVisible());
    EXPECT_TRUE(QFile::exists(kept));
    TznStatusBar *page = in<TznStatusBar>(panel, "stuPage");
    EXPECT_EQ(page->PanelText(1), QStringLiteral("Kept for Resume: Emails.txt.state"));
    EXPECT_GE(page->PanelRect(0).right(), resume->geometry().right()) << "the button row takes Resume in";

    // A new Start begins afresh: the root is asked for again.
    QFile::remove(folder.file(QStringLiteral("Emails.txt")));
    const qsizetype rootsBefore = site.requestedPaths().count("/");
    stopAfterTwoPages();
    EXPECT_EQ(site.requestedPaths().count("/"), rootsBefore + 1);
    ASSERT_TRUE(resume->isVisible());

    click("Button4");
    EXPECT_FALSE(resume->isVisible()) << "while the crawl goes on";
    const int endedBeforeResume = chainsEnded;
    ASSERT_TRUE(waitUntil([&chainsEnded, endedBeforeResume] { return chainsEnded > endedBeforeResume; }, 10000));
    EXPECT_EQ(state(), QStringLiteral("Finished"));
    EXPECT_EQ(site.requestedPaths().count("/"), rootsBefore + 1) << "a resumed crawl does not start over";
    QByteArrayList written = folder.read(QStringLiteral("Emails.txt")).split('\n');
    written.removeAll(QByteArray());
    std::sort(written.begin(), written.end());
    QByteArrayList expected{"root@site.example.org\r"};
    for (int number = 0; number < 8; ++number)
        expected.append("p" + QByteArray::number(number) + "@site.example.org\r");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected) << "each address once over both runs";
    EXPECT_FALSE(resume->isVisible());
    EXPECT_FALSE(QFile::exists(kept)) << "a crawl that ended of itself leaves nothing to resume";
    EXPECT_EQ(page->PanelText(1), QStringLiteral("Initial URL: ") + QString::fromLatin1(site.url("/")));
}

TEST_F(RobotPanelTest, FocusEnteringThePanelTurnsOnFullRowSelection)
{
    QLineEdit outside(&host.window);
    outside.show();
    host.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host.window));
    outside.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &outside);
    // Showing the window put the focus into the panel already; start again from outside.
    for (TdfsEnhListView *list : {panel->levMail(), panel->levQue()})
        list->setSelectionBehavior(QAbstractItemView::SelectItems);
    in<QPushButton>(panel, "Button3")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), in<QPushButton>(panel, "Button3"));
    for (const TdfsEnhListView *list : {panel->levMail(), panel->levQue()})
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(RobotPanelTest, StopWhileIdleSaysStoppingAndTheSplitterPlaceIsStored)
{
    click("Button2");
    EXPECT_EQ(state(), textOf("Stopping"));

    panel->SetMailListWidth(300);
    EXPECT_EQ(panel->levMail()->width(), 300);
    panel->splMainMoved();
    EXPECT_EQ(ini.ReadString(QStringLiteral("Robot"), QStringLiteral("Split"), QString()), QStringLiteral("300"));
    const int queueWidth = panel->levQue()->width();
    const int grown = 800 - host.window.width();
    host.window.resize(800, 400);
    EXPECT_EQ(panel->levMail()->width(), 300 + grown) << "the address list takes the new room";
    EXPECT_EQ(panel->levQue()->width(), queueWidth);
}
