// The engine search options dialog and panel, offscreen. A fake search engine on 127.0.0.1 (named
// in the temporary program folder's TrawlMain.ini) serves result pages that list a small local
// site. Message boxes, the save dialog, help and the modal showing of the dialog are replaced.

#include "tests/search/PanelTestSupport.h"
#include "search/Engine.h"
#include "search/EngineOption.h"

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "shell/EnhListView.h"
#include "shell/znIniSetting.h"
#include "shell/znStatusBar.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>

namespace {

const QString baidu = QStringLiteral(u"百度");
const QString english = QStringLiteral("Google(English)");
const QString chinese = QStringLiteral("Google(Simplified Chinese)");

QString marks(const QList<EngineRow> &rows)
{
    QStringList shown;
    for (const EngineRow &row : rows)
        shown.append(row.caption + (row.included ? QStringLiteral("+") : QStringLiteral("-")));
    return shown.join(QLatin1Char(' '));
}

// The dialog with its stand-ins; the panel tests use it too.
class EngineOptionTest : public OptionDialogTest<TfrmEngineOption>
{
protected:
    QPlainTextEdit *phrases() const { return part<QPlainTextEdit>("mmPhrase"); }
    QLineEdit *file() const { return part<QLineEdit>("edtFile"); }
    TdfsEnhListView *engines() const { return part<TdfsEnhListView>("levEngine"); }
    // Includes only the engines named, keeping the list's order.
    void includeOnly(const QStringList &captions)
    {
        for (int row = 0; row < engines()->RowCount(); ++row)
            engines()->SetImageIndex(row, captions.contains(engines()->Text(row, 0)) ? 0 : -1);
    }
};

} // namespace

TEST_F(EngineOptionTest, DesignedValuesAndTheEngineList)
{
    EXPECT_EQ(dialog.objectName(), QStringLiteral("frmEngineOption"));
    EXPECT_EQ(marks(dialog.EngineRows()), english + QStringLiteral("+ ") + chinese + QStringLiteral("+ ") + baidu
                                               + QStringLiteral("+"));
    EXPECT_FALSE(engines()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull()) << "included rows show the mark";
    EXPECT_EQ(engines()->columnCount(), 1);
    EXPECT_EQ(engines()->ColumnCaption(0), QStringLiteral("Search Engine"));
    EXPECT_EQ(dialog.Depth(), 3);
    EXPECT_EQ(dialog.Queues(), 5000);
    EXPECT_TRUE(dialog.AllLink());
    EXPECT_FALSE(part<QCheckBox>("chkJapan")->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.JapanOnly());
}

TEST_F(EngineOptionTest, MarksAreSetAllClearedAllAndToggledByDoubleClickOnTheSelectedRow)
{
    click("btnEAll");
    EXPECT_EQ(marks(dialog.EngineRows()), english + QStringLiteral("- ") + chinese + QStringLiteral("- ") + baidu
                                               + QStringLiteral("-"));
    EXPECT_TRUE(engines()->model()->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    dialog.levEngineDblClick();
    EXPECT_EQ(marks(dialog.EngineRows()).count(QLatin1Char('+')), 0) << "no row selected";
    engines()->SetCurrentRow(1);
    dialog.levEngineDblClick();
    EXPECT_TRUE(dialog.EngineRows().at(1).included);
    dialog.levEngineDblClick();
    EXPECT_FALSE(dialog.EngineRows().at(1).included);

    click("btnAll");
    EXPECT_EQ(marks(dialog.EngineRows()).count(QLatin1Char('+')), 3);
}

TEST_F(EngineOptionTest, AFirstStartSortsAscendingEachHeaderClickTurnsTheDirectionAndTheSortIsKeptForTheNextRun)
{
    const auto clickHeader = [](TfrmEngineOption &shown) {
        QHeaderView *header = shown.findChild<TdfsEnhListView *>(QStringLiteral("levEngine"))->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    };
    const QString ascending = english + QStringLiteral("+ ") + chinese + QStringLiteral("+ ") + baidu + QStringLiteral("+");
    const QString descending = baidu + QStringLiteral("+ ") + chinese + QStringLiteral("+ ") + english + QStringLiteral("+");
    {
        TfrmEngineOption earlierRun(services());
        earlierRun.show();
        EXPECT_EQ(marks(earlierRun.EngineRows()), ascending) << "nothing stored yet";
        clickHeader(earlierRun);
        EXPECT_EQ(marks(earlierRun.EngineRows()), descending);
        clickHeader(earlierRun);
        EXPECT_EQ(marks(earlierRun.EngineRows()), ascending);
        clickHeader(earlierRun);
    }
    TfrmEngineOption nextRun(services());
    EXPECT_EQ(marks(nextRun.EngineRows()), descending);
}

TEST_F(EngineOptionTest, OkNeedsAPhraseAndLeavingThePhrasesProposesAFileName)
{
    dialog.show();
    for (const char *text : {"", "  \n \n\t"}) {
        SCOPED_TRACE(text);
        messages.clear();
        phrases()->setPlainText(QString::fromUtf8(text));
        click("btnOk");
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(messages, QStringList{textOf("PhraseUnSpecified")});
    }

    phrases()->setPlainText(QStringLiteral("  first phrase \n\nsecond\n"));
    dialog.mmPhraseExit();
    EXPECT_EQ(file()->text(), QStringLiteral("first phrase.txt"));
    EXPECT_EQ(dialog.Phrases(), (QStringList{QStringLiteral("  first phrase "), QString(), QStringLiteral("second")}))
        << "typed lines, untrimmed, blank ones kept";
    phrases()->setPlainText(QStringLiteral("other"));
    dialog.mmPhraseExit();
    EXPECT_EQ(file()->text(), QStringLiteral("first phrase.txt")) << "a given name stays";

    click("btnOk");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Cancelled);
}

TEST_F(EngineOptionTest, OnlyAMoveToAnotherFieldProposesAFileName)
{
    QWidget other;
    const struct
    {
        const char *why;
        std::function<void()> leave;
        bool proposed;
    } rows[] = {
        {"Tab", [this] { QTest::keyClick(phrases(), Qt::Key_Tab); }, true},
        {"a click in the file field", [this] { QTest::mouseClick(file(), Qt::LeftButton); }, true},
        {"a click on Cancel, which takes the focus first", [this] { click("btnCancel"); }, true},
        {"reject", [this] { dialog.reject(); }, false},
        {"the close box", [this] { dialog.close(); }, false},
        {"another window made active",
         [&other] {
             other.show();
             QApplication::setActiveWindow(&other);
             QCoreApplication::processEvents();
         },
         false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        file()->clear();
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        phrases()->setFocus();
        ASSERT_TRUE(waitUntil([this] { return QApplication::focusWidget() == phrases(); }));
        phrases()->setPlainText(QStringLiteral("phrase"));
        row.leave();
        EXPECT_EQ(file()->text(), row.proposed ? QStringLiteral("phrase.txt") : QString());
        other.hide();
        dialog.hide();
    }
}

TEST_F(EngineOptionTest, DefaultKeepsPhrasesFileAndMarksAndHelpOpensTheEnginePage)
{
    phrases()->setPlainText(QStringLiteral("kept"));
    file()->setText(QStringLiteral("kept.txt"));
    click("btnEAll");
    part<QSpinBox>("intDepth")->setValue(9);
    part<QSpinBox>("intQue")->setValue(-1);
    part<QRadioButton>("rdoThis")->setChecked(true);
    click("btnDefault");
    EXPECT_EQ(dialog.Depth(), 3);
    EXPECT_EQ(dialog.Queues(), 5000);
    EXPECT_TRUE(dialog.AllLink());
    EXPECT_EQ(dialog.PhraseText(), QStringLiteral("kept"));
    EXPECT_EQ(dialog.FileName(), QStringLiteral("kept.txt"));
    EXPECT_EQ(marks(dialog.EngineRows()).count(QLatin1Char('-')), 3);

    click("btnHelp");
    EXPECT_EQ(helpTopics, QStringList{QStringLiteral("Engine.htm")});
}

namespace {

class EnginePanelTest : public EngineOptionTest
{
protected:
    EnginePanelTest()
    {
        panel->setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
        panel->setOptionDialog(&dialog);
        panel->setModalRunner([this](QDialog *shown) {
            shown->show();
            if (answer)
                answer();
            if (shown->isVisible())
                shown->close();
        });
        QObject::connect(prgMain, &QProgressBar::valueChanged, prgMain,
                         [this](int value) { progressPeak = std::max(progressPeak, value); });
        host.place(panel);
    }
    ~EnginePanelTest() override
    {
        delete panel;
        EXPECT_TRUE(WorkerReaper::waitForAll(5000));
    }

    // The engine's host is the fake engine; OK with these phrases.
    void confirm(quint16 enginePort, const QString &phraseText, const QString &fileName = QString())
    {
        ini.WriteString(QStringLiteral("Engines"), QStringLiteral("GoogleHost"),
                        QStringLiteral("127.0.0.1:") + QString::number(enginePort));
        answer = [this, phraseText, fileName] {
            phrases()->setPlainText(phraseText);
            file()->setText(fileName);
            dialog.btnOkClick();
        };
        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("btnOption")), Qt::LeftButton);
    }
    void clickPanel(const char *button)
    {
        QTest::mouseClick(panel->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    QString state() const { return stuMain->PanelText(0); }
    bool finished() const { return state() == textOf("Finished") && !panel->schMain()->Searching(); }
    QStringList mails() const
    {
        QStringList rows;
        for (int row = 0; row < panel->levMail()->RowCount(); ++row)
            rows.append(panel->levMail()->Text(row, 0));
        return rows;
    }

    TempProgramFolder folder;
    PanelHostWindow host;
    TznStatusBar *const stuMain = host.stuMain;
    QProgressBar *const prgMain = host.prgMain;
    TznIniSetting &ini = host.ini;
    TfaEngine *panel = new TfaEngine(host.services(), &host.window);
    std::function<void()> answer;
    int progressPeak = 0;
};

QByteArray resultTarget(const char *phrase, int page)
{
    return "/search?q=" + QByteArray(phrase) + "+mail&num=100&start=" + QByteArray::number(page * 100) + "&sa=N&filter=0";
}

} // namespace

TEST_F(EnginePanelTest, StartBeforeConfirmedOptionsWarnsAndOptionsReachTheCrawl)
{
    EXPECT_EQ(panel->objectName(), QStringLiteral("fraEngine"));
    clickPanel("btnStart");
    EXPECT_EQ(messages, QStringList{textOf("PhraseUnSpecified")});
    EXPECT_EQ(state(), QString());

    answer = [this] {
        phrases()->setPlainText(QStringLiteral("ignored"));
        dialog.btnCancelClick();
    };
    clickPanel("btnOption");
    EXPECT_EQ(panel->schMain()->SearchEngine(), QByteArray());

    part<QCheckBox>("chkThorough")->setChecked(true);
    part<QSpinBox>("edtJobs")->setValue(9);
    part<QSpinBox>("edtPerHost")->setValue(1);
    part<QDoubleSpinBox>("edtWait")->setValue(0.5);
    confirm(8080, QStringLiteral("one\n\ntwo words"));
    EXPECT_EQ(panel->schMain()->SearchEngine(), QByteArray("http://127.0.0.1:8080"));
    EXPECT_TRUE(panel->schMain()->Rules().thorough);
    EXPECT_EQ(panel->schMain()->Rules().jobs, 9);
    EXPECT_EQ(panel->schMain()->Rules().perHost, 1);
    EXPECT_EQ(panel->schMain()->Rules().waitMs, 500);
    EXPECT_EQ(panel->schMain()->Phrases, (QStringList{QStringLiteral("one"), QString(), QStringLiteral("two words")}));
    EXPECT_EQ(panel->schMain()->MaxLevel(), 3);
    EXPECT_EQ(panel->schMain()->MaxQueues(), 5000);
    EXPECT_EQ(panel->ResultFile, folder.file(QStringLiteral("Emails.txt")));
    EXPECT_EQ(panel->findChild<TznStatusBar *>(QStringLiteral("stuPage"))->PanelText(1),
              QStringLiteral("text of SearchPhrase: one\n\ntwo words\n"));
}

TEST_F(EnginePanelTest, ResultPagesOfTheFakeEngineAndTheSiteTheyListAreListedAndFiled)
{
    TestHttpServer site({{"/site/index.html", 200, {}, "<p>a@site.example b@site.example</p>"}});
    std::vector<TestRoute> pages;
    for (int page = 0; page < 10; ++page)
        pages.push_back({resultTarget("trawl", page), 200, {}, page == 0 ? "hit@engine.example <a href=\"" + site.url("/site/index.html") + "\">x</a>" : QByteArray("nothing")});
    TestHttpServer engine(pages);

    includeOnly({english});
    confirm(engine.port(), QStringLiteral("trawl"), QStringLiteral("found.txt"));
    clickPanel("btnStart");
    EXPECT_EQ(state(), textOf("Searching"));
    EXPECT_EQ(prgMain->maximum(), 10);
    ASSERT_TRUE(waitUntil([this] { return finished(); }));

    QByteArrayList expectedTargets;
    for (int page = 0; page < 10; ++page)
        expectedTargets.append(resultTarget("trawl", page));
    EXPECT_EQ(engine.requestedPaths(), expectedTargets);
    EXPECT_EQ(site.requestedPaths(), QByteArrayList{"/site/index.html"});
    EXPECT_EQ(mails(), (QStringList{QStringLiteral("b@site.example"), QStringLiteral("a@site.example"),
                                    QStringLiteral("hit@engine.example")}));
    EXPECT_EQ(folder.read(QStringLiteral("found.txt")), "hit@engine.example\r\na@site.example\r\nb@site.example\r\n");
    EXPECT_EQ(stuMain->PanelText(2), QStringLiteral("text of EmailsCount:3"));
    EXPECT_EQ(progressPeak, 10) << "one step per result page";
    EXPECT_EQ(prgMain->value(), 0) << "back to 0 when the walk ends on its own";
    EXPECT_EQ(panel->EngineIndex(), 3);
}

TEST_F(EnginePanelTest, NoEngineIncludedFinishesWithoutAResultPageAndStopKeepsTheProgress)
{
    TestHttpServer engine({{resultTarget("trawl", 0), 200, {}, "first"},
                           {resultTarget("trawl", 1), 200, {}, {}, Misbehaviour::SilentAfterAccept}});
    click("btnEAll");
    confirm(engine.port(), QStringLiteral("trawl"));
    clickPanel("btnStart");
    ASSERT_TRUE(waitUntil([this] { return finished(); }));
    EXPECT_EQ(engine.requestedPaths(), QByteArrayList());
    EXPECT_EQ(mails(), QStringList());
    EXPECT_EQ(prgMain->value(), 0);
    EXPECT_GT(prgMain->maximum(), prgMain->minimum()) << "a range of 0..0 shows Qt's busy indicator";

    includeOnly({english});
    clickPanel("btnStart");
    ASSERT_TRUE(waitUntil([&engine] { return engine.requestedPaths().size() == 2; }));
    // A second Start while the walk waits for a page keeps the walk and its progress.
    clickPanel("btnStart");
    EXPECT_EQ(prgMain->value(), 2);
    EXPECT_EQ(state(), textOf("Searching"));
    clickPanel("btnStop");
    EXPECT_EQ(state(), textOf("Stopping"));
    // The silent page holds the walk; closing the panel does not wait for it.
    QElapsedTimer clock;
    clock.start();
    delete panel;
    panel = nullptr;
    EXPECT_LT(clock.elapsed(), 3000);
}
