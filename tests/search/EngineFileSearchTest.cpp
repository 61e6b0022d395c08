// Engine searches over engines of Engines.ini: the options dialog offers them behind the designed
// three, and the engine panel and the real program's command line, each from a program folder of
// its own, ask the same local fake engines the same pages and leave byte-identical files behind.

#include "search/Engine.h"
#include "search/EngineOption.h"

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "shell/EnhListView.h"
#include "shell/znStatusBar.h"
#include "tests/platform/TempRegistryFile.h"
#include "tests/search/PanelTestSupport.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

const QString redShoes = QStringLiteral("red shoes");
const QString mail = QStringLiteral(u"\u90ae\u4ef6"); // GBK D3 CA BC FE, UTF-8 E9 82 AE E4 BB B6

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray link(const QByteArray &target)
{
    return "<a href=\"" + target + "\">x</a>\n";
}

// Two engines of the user's: Alpha (UTF-8, two pages, only links under /r/ are results) and Beta
// (GBK, one page, every link a result), each a server of its own, listing pages of one site.
class FakeEngines
{
public:
    explicit FakeEngines(bool secure = false)
        : tls(TestTls::localhost()), alpha({}, secure ? &tls : nullptr), beta({}, secure ? &tls : nullptr)
    {
        site.setRoute({"/r/one.html", 200, {}, "<p>one@site.example</p>"});
        site.setRoute({"/r/two.html", 200, {}, "<p>two@site.example</p>"});
        site.setRoute({"/r/three.html", 200, {}, "<p>three@site.example</p>"});
        site.setRoute({"/b/other.html", 200, {}, "<p>other@site.example</p>"});
        alpha.setRoute({"/find?q=red%20shoes&start=0", 200, {},
                        "alpha@engine.example " + link(site.url("/r/one.html")) + link("/nav/more") + link(site.url("/b/other.html"))});
        alpha.setRoute({"/find?q=red%20shoes&start=10", 200, {}, link(site.url("/r/two.html"))});
        alpha.setRoute({"/find?q=%E9%82%AE%E4%BB%B6&start=0", 200, {}, link(site.url("/r/one.html"))});
        alpha.setRoute({"/find?q=%E9%82%AE%E4%BB%B6&start=10", 200, {}, link(site.url("/r/three.html"))});
        beta.setRoute({"/s?wd=red%20shoes", 200, {}, "beta@engine.example"});
        beta.setRoute({"/s?wd=%D3%CA%BC%FE", 200, {}, link(site.url("/b/other.html")) + link(site.url("/r/three.html"))});
    }

    QByteArray enginesIni() const
    {
        return "; two engines of the tests\r\n[Alpha]\r\nAddress=" + alpha.url("/find?q={phrase}&start={offset}")
               + "\r\nPages=2\r\nOffsetStep=10\r\nResultLinks=/r/\r\n\r\n[Beta]\r\nCaption=Beta (GBK)\r\nAddress="
               + beta.url("/s?wd={phrase}") + "\r\nEncoding=GBK\r\nPages=1\r\nOffsetStep=0\r\n"
               + "[Broken]\r\nAddress=" + beta.url("/s") + "\r\nPages=1\r\nOffsetStep=0\r\n";
    }

    TestTls tls;
    TestHttpServer site;
    TestHttpServer alpha;
    TestHttpServer beta;
};

const QByteArray brokenLine = "Engines.ini [Broken]: Address has no {phrase}; the engine is left out";

QString marks(const QList<EngineRow> &rows)
{
    QStringList shown;
    for (const EngineRow &row : rows)
        shown.append(row.caption + (row.included ? QStringLiteral("+") : QStringLiteral("-")));
    return shown.join(QLatin1Char(' '));
}

struct Leftovers
{
    QByteArray emails;
    QByteArray errors;
};

// The engine panel in a bare window over its own program folder holding `enginesIni`.
class PanelSearch
{
public:
    explicit PanelSearch(const QByteArray &enginesIni)
    {
        writeFile(folder.file(QStringLiteral("Engines.ini")), enginesIni);
        host = std::make_unique<PanelHostWindow>();
        dialog = std::make_unique<TfrmEngineOption>(host->services());
        panel = new TfaEngine(host->services(), &host->window);
        panel->setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
        panel->setOptionDialog(dialog.get());
        host->place(panel);
    }
    ~PanelSearch()
    {
        delete panel;
        EXPECT_TRUE(WorkerReaper::waitForAll(5000));
    }

    TdfsEnhListView *engines() const { return dialog->findChild<TdfsEnhListView *>(QStringLiteral("levEngine")); }

    Leftovers run(const QStringList &included, const QString &phrases, const std::function<void()> &alsoSet = {})
    {
        panel->setModalRunner([&](QDialog *shown) {
            shown->show();
            for (int row = 0; row < engines()->RowCount(); ++row)
                engines()->SetImageIndex(row, included.contains(engines()->Text(row, 0)) ? 0 : -1);
            dialog->findChild<QPlainTextEdit *>(QStringLiteral("mmPhrase"))->setPlainText(phrases);
            if (alsoSet)
                alsoSet();
            dialog->btnOkClick();
            if (shown->isVisible())
                shown->close();
        });
        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("btnOption")), Qt::LeftButton);
        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("btnStart")), Qt::LeftButton);
        const bool ended = waitUntil(
            [this] { return host->stuMain->PanelText(0) == textOf("Finished") && !panel->schMain()->Searching(); }, 30000);
        EXPECT_TRUE(ended) << host->stuMain->PanelText(0).toStdString();
        EXPECT_EQ(messages, QStringList());
        return {folder.read(QStringLiteral("Emails.txt")), folder.read(QStringLiteral("Err.ini"))};
    }

    QString summary() const { return panel->findChild<TznStatusBar *>(QStringLiteral("stuPage"))->PanelText(1); }

    TempRegistryFile registry;
    TempProgramFolder folder;
    std::unique_ptr<PanelHostWindow> host;
    std::unique_ptr<TfrmEngineOption> dialog;
    TfaEngine *panel = nullptr;
    QStringList messages;
};

struct CommandLineRun
{
    Leftovers files;
    int exitCode = -1;
    QByteArray standardError;
};

CommandLineRun searchFromCommandLine(const QByteArray &enginesIni, const QStringList &arguments,
                                     const QByteArray &trawlMainIni = {})
{
    CommandLineRun run;
    QTemporaryDir folder;
    EXPECT_TRUE(folder.isValid());
    writeFile(folder.filePath(QStringLiteral("Engines.ini")), enginesIni);
    if (!trawlMainIni.isEmpty())
        writeFile(folder.filePath(QStringLiteral("TrawlMain.ini")), trawlMainIni);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TRAWLEX_PROGRAM_FOLDER"), folder.path() + QLatin1Char('/'));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TRAWLEX_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForStarted(10000));
    EXPECT_TRUE(process.waitForFinished(30000)) << "the command line search did not end";
    run.exitCode = process.exitCode();
    run.standardError = process.readAllStandardError();
    run.files = {readFile(folder.filePath(QStringLiteral("Emails.txt"))), readFile(folder.filePath(QStringLiteral("Err.ini")))};
    return run;
}

} // namespace

TEST(EngineFileOptions, EnginesOfTheFileFollowTheDesignedOnesUnmarkedAndSortWithThem)
{
    const FakeEngines fake;
    PanelSearch search(fake.enginesIni());
    const QString designed = QStringLiteral(u"Google(English)+ Google(Simplified Chinese)+ 百度+");
    EXPECT_EQ(marks(search.dialog->EngineRows()), QStringLiteral("Alpha- Beta (GBK)- ") + designed)
        << "a first start sorts ascending, the user's engines among the others";
    EXPECT_EQ(search.folder.read(QStringLiteral("Err.ini")), brokenLine + "\r\n");

    QHeaderView *header = search.engines()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(marks(search.dialog->EngineRows()),
              QStringLiteral(u"百度+ Google(Simplified Chinese)+ Google(English)+ Beta (GBK)- Alpha-"));
    search.dialog->btnAllClick();
    EXPECT_EQ(marks(search.dialog->EngineRows()).count(QLatin1Char('+')), 5);

    auto *wait = search.dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtEngineWait"));
    EXPECT_EQ(search.dialog->EngineWaitMs(), 2000);
    EXPECT_FALSE(wait->isEnabled()) << "heeded by thorough crawls only";
    search.dialog->findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(true);
    EXPECT_TRUE(wait->isEnabled());
}

TEST(EngineFileOptions, TheEngineWaitIsReadBackAndAHandEditedOneOutOfRangeIsTheDefault)
{
    for (const auto &[stored, expectedMs] : {std::pair{"0.5", 500}, std::pair{"61", 2000}, std::pair{"1,5", 2000}}) {
        SCOPED_TRACE(stored);
        TempRegistryFile registry;
        TempProgramFolder folder;
        writeFile(folder.file(QStringLiteral("TrawlMain.ini")), QByteArray("[EngineOption]\r\nEngineWait=") + stored + "\r\n");
        PanelHostWindow host;
        const TfrmEngineOption dialog(host.services());
        EXPECT_EQ(dialog.EngineWaitMs(), expectedMs);
    }
}

TEST(EngineFileSearch, PanelAndCommandLineAskTheSameResultPagesAndFileTheSameAddresses)
{
    const FakeEngines fake;
    Leftovers panelFiles;
    {
        PanelSearch search(fake.enginesIni());
        panelFiles = search.run({QStringLiteral("Alpha"), QStringLiteral("Beta (GBK)")}, redShoes + QLatin1Char('\n') + mail);
        EXPECT_EQ(search.host->prgMain->maximum(), 6) << "two pages of Alpha and one of Beta for each phrase";
    }
    if (testing::Test::HasFatalFailure())
        return;
    const QByteArrayList alphaAsked = fake.alpha.requestedPaths();
    const QByteArrayList betaAsked = fake.beta.requestedPaths();
    EXPECT_EQ(alphaAsked, (QByteArrayList{"/find?q=red%20shoes&start=0", "/find?q=red%20shoes&start=10",
                                          "/find?q=%E9%82%AE%E4%BB%B6&start=0", "/find?q=%E9%82%AE%E4%BB%B6&start=10"}))
        << "the navigation link is no result, so it is never fetched";
    EXPECT_EQ(betaAsked, (QByteArrayList{"/s?wd=red%20shoes", "/s?wd=%D3%CA%BC%FE"}));
    EXPECT_EQ(panelFiles.emails, "alpha@engine.example\r\nbeta@engine.example\r\none@site.example\r\ntwo@site.example\r\n"
                                 "three@site.example\r\nother@site.example\r\n");
    EXPECT_EQ(panelFiles.errors, brokenLine + "\r\n");

    const CommandLineRun cli = searchFromCommandLine(
        fake.enginesIni(), {QStringLiteral("--engine"), redShoes, mail, QStringLiteral("--engines"), QStringLiteral("4,beta (gbk)")});
    EXPECT_EQ(cli.exitCode, 0) << cli.standardError.toStdString();
    EXPECT_TRUE(cli.standardError.contains("trawlex: " + brokenLine + "\n")) << cli.standardError.toStdString();
    EXPECT_EQ(fake.alpha.requestedPaths(), alphaAsked + alphaAsked);
    EXPECT_EQ(fake.beta.requestedPaths(), betaAsked + betaAsked);
    EXPECT_EQ(cli.files.emails.toStdString(), panelFiles.emails.toStdString());
    EXPECT_EQ(cli.files.errors.toStdString(), QByteArray().toStdString()) << "the command line tells on standard error";
}

namespace {

// A thorough search over an engine of the file whose first page redirects to https and a
// designed engine asked by https, both served with the tests' authority.
struct SecureEngines
{
    SecureEngines() : tls(TestTls::localhost()), secure({}, &tls)
    {
        site.setRoute({"/r/one.html", 200, {}, "<p>one@shop.example.com</p>"});
        site.setRoute({"/r/two.html", 200, {}, "<p>two@shop.example.com</p>"});
        site.setRoute({"/b/other.html", 200, {}, "<p>other@shop.example.com</p>"});
        alpha.setRoute({"/find?q=red%20shoes&start=0", 302, {"Location: " + secure.url("/alpha/0")}, {}});
        alpha.setRoute({"/find?q=red%20shoes&start=10", 200, {}, link(site.url("/r/two.html"))});
        secure.setRoute({"/alpha/0", 200, {}, "alpha@engine.example " + link(site.url("/r/one.html")) + link("/nav/more")});
        for (int page = 0; page < 10; ++page)
            secure.setRoute({"/search?q=red%20shoes+mail&num=100&start=" + QByteArray::number(page * 100) + "&sa=N&filter=0",
                             200, {}, page == 0 ? "google@engine.example " + link(site.url("/b/other.html")) : "nothing"});
    }

    QByteArray enginesIni() const
    {
        return "[Alpha]\nAddress=" + alpha.url("/find?q={phrase}&start={offset}") + "\nPages=2\nOffsetStep=10\nResultLinks=/r/\n";
    }
    QByteArray trawlMainIni() const
    {
        return "[Engines]\r\nGoogleHost=127.0.0.1:" + QByteArray::number(secure.port()) + "\r\n";
    }

    TestTls tls;
    TestHttpServer site;
    TestHttpServer alpha;
    TestHttpServer secure;
};

} // namespace

TEST(EngineFileSearch, AThoroughSearchAsksByHttpsAndFollowsTheEnginesRedirectsFromPanelAndCommandLineAlike)
{
    const SecureEngines fake;
    Leftovers panelFiles;
    {
        PanelSearch search(fake.enginesIni());
        writeFile(search.folder.file(QStringLiteral("TrawlMain.ini")),
                  fake.trawlMainIni() + "[Thorough]\r\nCaFile=" + fake.tls.authorityFile + "\r\n");
        panelFiles = search.run({QStringLiteral("Alpha"), QStringLiteral("Google(English)")}, redShoes, [&search] {
            search.dialog->findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(true);
            search.dialog->findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(1);
            search.dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtEngineWait"))->setValue(0);
        });
        EXPECT_EQ(search.panel->schMain()->Rules().engineWaitMs, 0);
        EXPECT_EQ(search.host->ini.ReadString(QStringLiteral("EngineOption"), QStringLiteral("EngineWait"), QString()),
                  QStringLiteral("0"))
            << "kept beside the other thorough settings";
    }
    if (testing::Test::HasFatalFailure())
        return;
    const QByteArrayList alphaAsked = fake.alpha.requestedPaths();
    const QByteArrayList secureAsked = fake.secure.requestedPaths();
    EXPECT_EQ(alphaAsked, (QByteArrayList{"/find?q=red%20shoes&start=0", "/find?q=red%20shoes&start=10"}));
    ASSERT_EQ(secureAsked.size(), 11);
    EXPECT_EQ(secureAsked.first(), "/alpha/0");
    EXPECT_EQ(fake.site.requestedPaths(), (QByteArrayList{"/robots.txt", "/r/one.html", "/r/two.html", "/b/other.html"}));
    EXPECT_EQ(panelFiles.emails.toStdString(),
              "alpha@engine.example\r\ngoogle@engine.example\r\none@shop.example.com\r\ntwo@shop.example.com\r\nother@shop.example.com\r\n");

    const CommandLineRun cli = searchFromCommandLine(fake.enginesIni(),
                                    {QStringLiteral("--engine"), redShoes, QStringLiteral("--engines"), QStringLiteral("alpha,2"),
                                     QStringLiteral("--thorough"), QStringLiteral("--jobs"), QStringLiteral("1"),
                                     QStringLiteral("--engine-wait"), QStringLiteral("0"), QStringLiteral("--cacert"),
                                     QString::fromUtf8(fake.tls.authorityFile)},
                                    fake.trawlMainIni());
    EXPECT_EQ(cli.exitCode, 0) << cli.standardError.toStdString();
    EXPECT_EQ(fake.alpha.requestedPaths(), alphaAsked + alphaAsked);
    EXPECT_EQ(fake.secure.requestedPaths(), secureAsked + secureAsked);
    EXPECT_EQ(cli.files.emails.toStdString(), panelFiles.emails.toStdString());
    EXPECT_EQ(cli.files.errors.toStdString(), panelFiles.errors.toStdString());
}

TEST(EngineFileSearch, TheEngineWaitBelongsToThoroughCrawlsAndIsSeconds)
{
    for (const char *wait : {"x", "-1", "61"}) {
        SCOPED_TRACE(wait);
        const CommandLineRun run = searchFromCommandLine(
            {}, {QStringLiteral("--engine"), redShoes, QStringLiteral("--thorough"), QStringLiteral("--engine-wait"),
                 QString::fromLatin1(wait)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.standardError.contains("--engine-wait wants seconds from 0 to 60")) << run.standardError.toStdString();
    }
    const CommandLineRun classic =
        searchFromCommandLine({}, {QStringLiteral("--engine"), redShoes, QStringLiteral("--engine-wait"), QStringLiteral("1")});
    EXPECT_EQ(classic.exitCode, 2);
    EXPECT_TRUE(classic.standardError.contains("--engine-wait belongs to --thorough")) << classic.standardError.toStdString();
}

namespace {

// Engines that refuse: Alpha answers its first page and then 429, Beta shows a captcha, and
// the designed Google(English), asked by https, sends the search to its "sorry" page.
struct RefusingEngines
{
    RefusingEngines() : tls(TestTls::localhost()), secure({}, &tls)
    {
        site.setRoute({"/r/one.html", 200, {}, "<p>one@shop.example.com</p>"});
        // Written as engines write their links to their own redirectors: without a scheme.
        alpha.setRoute({"/find?q=red%20shoes&start=0", 200, {},
                        "alpha@engine.example " + link("//127.0.0.1:" + QByteArray::number(site.port()) + "/r/one.html")});
        alpha.setRoute({"/find?q=red%20shoes&start=10", 429, {"Retry-After: 3600"}, "slow down"});
        beta.setRoute({"/s?wd=red%20shoes&pn=0", 200, {}, "<form><div class=\"g-recaptcha\" data-sitekey=\"k\"></div></form>"});
        secure.setRoute({"/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0", 302,
                         {"Location: /sorry/index?continue=x"}, {}});
        secure.setRoute({"/sorry/index?continue=x", 200, {}, "<p>Our systems are busy</p>"});
    }

    QByteArray enginesIni() const
    {
        return "[Alpha]\nAddress=" + alpha.url("/find?q={phrase}&start={offset}") + "\nPages=2\nOffsetStep=10\nResultLinks=/r/\n"
               + "[Beta]\nAddress=" + beta.url("/s?wd={phrase}&pn={offset}") + "\nPages=5\nOffsetStep=10\n";
    }
    QByteArray trawlMainIni() const
    {
        return "[Engines]\r\nGoogleHost=127.0.0.1:" + QByteArray::number(secure.port()) + "\r\n";
    }
    QStringList commandLine(const QString &engines) const
    {
        return {QStringLiteral("--engine"), redShoes, QStringLiteral("--engines"), engines, QStringLiteral("--thorough"),
                QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("--engine-wait"), QStringLiteral("0"),
                QStringLiteral("--cacert"), QString::fromUtf8(tls.authorityFile)};
    }

    TestTls tls;
    TestHttpServer site;
    TestHttpServer alpha;
    TestHttpServer beta;
    TestHttpServer secure;
};

const QByteArray alphaRefuses = "Engine Alpha is refusing automated requests: HTTP status 429";
const QByteArray betaRefuses = "Engine Beta is refusing automated requests: a captcha page (\"g-recaptcha\")";
const QByteArray googleRefuses = "Engine Google(English) is refusing automated requests: a captcha page (\"/sorry/index\")";

} // namespace

TEST(EngineFileSearch, EnginesRefusingAutomatedRequestsAreToldAndLeftAloneAndTheSitesFoundAreStillCrawled)
{
    const RefusingEngines fake;
    Leftovers panelFiles;
    {
        PanelSearch search(fake.enginesIni());
        writeFile(search.folder.file(QStringLiteral("TrawlMain.ini")),
                  fake.trawlMainIni() + "[Thorough]\r\nCaFile=" + fake.tls.authorityFile + "\r\n");
        panelFiles = search.run({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Google(English)")}, redShoes,
                                [&search] {
                                    search.dialog->findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(true);
                                    search.dialog->findChild<QSpinBox *>(QStringLiteral("edtJobs"))->setValue(1);
                                    search.dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtEngineWait"))->setValue(0);
                                });
        EXPECT_EQ(search.summary().toUtf8(), alphaRefuses + '\n' + betaRefuses + '\n' + googleRefuses);
        EXPECT_EQ(search.host->prgMain->value(), 0) << "the walk ended on its own";
    }
    if (testing::Test::HasFatalFailure())
        return;
    EXPECT_EQ(fake.alpha.requestedPaths(), (QByteArrayList{"/find?q=red%20shoes&start=0", "/find?q=red%20shoes&start=10"}));
    EXPECT_EQ(fake.beta.requestedPaths(), QByteArrayList{"/s?wd=red%20shoes&pn=0"}) << "four pages of Beta left unasked";
    EXPECT_EQ(fake.secure.requestedPaths(),
              (QByteArrayList{"/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0", "/sorry/index?continue=x"}));
    EXPECT_EQ(fake.site.requestedPaths(), (QByteArrayList{"/robots.txt", "/r/one.html"})) << "what was found is crawled";
    EXPECT_EQ(panelFiles.emails, "alpha@engine.example\r\none@shop.example.com\r\n");
    for (const QByteArray &line : {alphaRefuses, betaRefuses, googleRefuses})
        EXPECT_TRUE(panelFiles.errors.contains(line + "\r\n")) << panelFiles.errors.toStdString();
    EXPECT_TRUE(panelFiles.errors.contains("429")) << "and the failed fetch itself";

    const CommandLineRun cli = searchFromCommandLine(fake.enginesIni(), fake.commandLine(QStringLiteral("4,5,2")), fake.trawlMainIni());
    EXPECT_EQ(cli.exitCode, 0) << "Alpha answered its first page: " << cli.standardError.toStdString();
    for (const QByteArray &line : {alphaRefuses, betaRefuses, googleRefuses})
        EXPECT_TRUE(cli.standardError.contains("trawlex: " + line + "\n")) << cli.standardError.toStdString();
    EXPECT_EQ(cli.files.emails.toStdString(), panelFiles.emails.toStdString());
    EXPECT_EQ(cli.files.errors.toStdString(), panelFiles.errors.toStdString());

    const CommandLineRun refused = searchFromCommandLine(fake.enginesIni(), fake.commandLine(QStringLiteral("beta,2")), fake.trawlMainIni());
    EXPECT_EQ(refused.exitCode, 4) << "every engine refused: " << refused.standardError.toStdString();
    EXPECT_TRUE(refused.standardError.contains("trawlex: " + googleRefuses + "\n")) << refused.standardError.toStdString();
}
