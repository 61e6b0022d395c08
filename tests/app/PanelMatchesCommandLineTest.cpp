// The robot panel and the command line crawl one local site with the same limits, each from a
// program folder of its own; what they leave behind on disk must not differ by a single byte, so
// a user can move between the window and scripts without the results changing.

#include "search/Robot.h"
#include "search/RobotOption.h"

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "shell/znStatusBar.h"
#include "tests/search/PanelTestSupport.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Limits
{
    int depth;
    int queue;
    bool thisSiteOnly;
    bool reachesElsewhere; // whether the other site's page is fetched under these limits
    const char *name;
};

void PrintTo(const Limits &limits, std::ostream *out)
{
    *out << limits.name;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray anchors(std::initializer_list<QByteArray> targets)
{
    QByteArray html;
    for (const QByteArray &target : targets)
        html += "<a href=\"" + target + "\">link</a>\n";
    return html;
}

class PanelMatchesCommandLineTest : public testing::TestWithParam<Limits>
{
protected:
    PanelMatchesCommandLineTest()
    {
        // A second server stands in for another site: what "this site only" leaves out.
        elsewhere.setRoute({"/", 200, {}, "<p>far@elsewhere.example</p>" + anchors({"/far2.html"})});
        elsewhere.setRoute({"/far2.html", 200, {}, "<p>far2@elsewhere.example</p>"});

        // Mixed case, repeats across pages, a mail link, a 404, a redirect (never followed, so
        // logged), a link back to the start and more links than a small queue holds.
        site.setRoute({"/", 200, {},
                       "<html><body><p>Write to Info@Site.example or sales@site.example.</p>\n"
                           + anchors({"a.html", "missing.html", "moved.html", "sub/c.html", "a.html",
                                      "mailto:boss@site.example", elsewhere.url("/")})
                           + "</body></html>"});
        site.setRoute({"/a.html", 200, {},
                       "<p>a@site.example, info@site.example</p>" + anchors({"/", "sub/d.html", "b.html"})});
        site.setRoute({"/b.html", 200, {}, "<p>b@site.example</p>" + anchors({"gone.html"})});
        site.setRoute({"/moved.html", 301, {"Location: /a.html"}, "<p>moved@site.example</p>"});
        site.setRoute({"/sub/c.html", 200, {}, "c@site.example x@y" + anchors({"../deep/e.html", "d.html"})});
        site.setRoute({"/sub/d.html", 200, {}, "<p>d@sub.site.example</p>" + anchors({"../b.html"})});
        site.setRoute({"/deep/e.html", 200, {}, "<p>e@deep.site.example</p>" + anchors({"f.html"})});
        site.setRoute({"/deep/f.html", 200, {}, "<p>f@deep.site.example</p>"});
    }

    ~PanelMatchesCommandLineTest() override { EXPECT_TRUE(WorkerReaper::waitForAll(5000)); }

    // The panel inside a bare window with the status bar it reports to, as the main window has.
    void crawlWithPanel(const Limits &limits)
    {
        const TempProgramFolder folder;
        PanelHostWindow host;
        auto *panel = new TfaRobot(host.services(), &host.window);
        TfrmRobotOption options(host.services());
        QStringList messages;
        panel->setMessageBox([&messages](QWidget *, const QString &text) { messages.append(text); });
        options.setMessageBox([&messages](QWidget *, const QString &text) { messages.append(text); });
        panel->setOptionDialog(&options);
        panel->setModalRunner([&](QDialog *dialog) {
            dialog->show();
            options.findChild<QLineEdit *>(QStringLiteral("edtInitUrl"))->setText(QString::fromLatin1(site.url("/")));
            options.findChild<QLineEdit *>(QStringLiteral("edtFile"))->setText(QString());
            options.findChild<QSpinBox *>(QStringLiteral("intDepth"))->setValue(limits.depth);
            options.findChild<QSpinBox *>(QStringLiteral("intQue"))->setValue(limits.queue);
            const QString scope = limits.thisSiteOnly ? QStringLiteral("rdoThis") : QStringLiteral("rdoAll");
            options.findChild<QRadioButton *>(scope)->setChecked(true);
            options.btnOkClick();
            if (dialog->isVisible())
                dialog->close();
        });
        host.place(panel);

        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("Button3")), Qt::LeftButton);
        QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
        const auto finished = [&] {
            return host.stuMain->PanelText(3) == textOf("Finished") && !panel->schMain()->Searching();
        };
        ASSERT_TRUE(waitUntil(finished, 20000)) << "state: " << host.stuMain->PanelText(3).toStdString();
        EXPECT_EQ(messages, QStringList());
        EXPECT_EQ(panel->ResultFile, folder.file(QStringLiteral("Emails.txt")));
        panelEmails = folder.read(QStringLiteral("Emails.txt"));
        panelErrors = folder.read(QStringLiteral("Err.ini"));
    }

    void crawlWithCommandLine(const Limits &limits)
    {
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        QStringList arguments{QStringLiteral("--robot"), QString::fromLatin1(site.url("/")), QStringLiteral("--depth"),
                              QString::number(limits.depth), QStringLiteral("--queue"), QString::number(limits.queue)};
        if (limits.thisSiteOnly)
            arguments.append(QStringLiteral("--this-site"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLEX_PROGRAM_FOLDER"), folder.path() + QLatin1Char('/'));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TRAWLEX_PROGRAM), arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
        ASSERT_TRUE(process.waitForFinished(30000)) << "the command line crawl did not end";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        cliEmails = readFile(folder.filePath(QStringLiteral("Emails.txt")));
        cliErrors = readFile(folder.filePath(QStringLiteral("Err.ini")));
    }

    TestHttpServer elsewhere;
    TestHttpServer site;
    QByteArray panelEmails, panelErrors, cliEmails, cliErrors;
};

} // namespace

TEST_P(PanelMatchesCommandLineTest, ResultFileAndErrorLogAreByteIdentical)
{
    const Limits limits = GetParam();
    crawlWithPanel(limits);
    if (HasFatalFailure())
        return;
    const qsizetype requestsByPanel = site.requestedPaths().size();
    crawlWithCommandLine(limits);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(site.requestedPaths().size(), 2 * requestsByPanel) << "both fetch the same pages";

    // Identical files prove little if both are empty: the crawl must have found addresses and
    // logged both failures (the 404 and the unfollowed redirect), whatever the limits.
    EXPECT_GE(panelEmails.count("\r\n"), 4) << panelEmails.toStdString();
    EXPECT_TRUE(panelErrors.contains("404")) << panelErrors.toStdString();
    EXPECT_TRUE(panelErrors.contains("301")) << panelErrors.toStdString();
    // And the limits must have reached the crawl, or both could agree on the wrong ones.
    EXPECT_EQ(panelEmails.contains("far@elsewhere.example"), limits.reachesElsewhere) << panelEmails.toStdString();

    // As text, so that a failure shows the differing lines rather than bytes.
    EXPECT_EQ(panelEmails.toStdString(), cliEmails.toStdString());
    EXPECT_EQ(panelErrors.toStdString(), cliErrors.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PanelMatchesCommandLineTest,
    // A queue of three holds the start page's first three links only, not the one to the other site.
    testing::Values(Limits{3, 500, false, true, "DeepAllLinks"}, Limits{2, 3, false, false, "ShallowSmallQueue"},
                    Limits{4, 500, true, false, "ThisSite"}, Limits{4, 5, true, false, "ThisSiteSmallQueue"}),
    [](const testing::TestParamInfo<Limits> &param) { return std::string(param.param.name); });
