// The program installed as `cmake --install` lays it out, into a temporary DESTDIR, and run from
// there against a site served on 127.0.0.1.

#include "tests/install/ProgramRun.h"
#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QStringList languageFiles = {QStringLiteral("ChinaCn.ini"), QStringLiteral("ChinaCnP.ini"),
                                   QStringLiteral("ChinaTw.ini"), QStringLiteral("ChinaTwP.ini"),
                                   QStringLiteral("English.ini"), QStringLiteral("EnglishP.ini")};

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class InstalledProgram : public testing::Test
{
protected:
    // One install for all the tests of this process: they only read it.
    static void SetUpTestSuite()
    {
        destDir = new QTemporaryDir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), destDir->path());
        const ProgramRun install =
            runProgram(QStringLiteral(CMAKE_PROGRAM),
                       {QStringLiteral("--install"), QStringLiteral(TRAWLEX_BUILD_DIR), QStringLiteral("--prefix"),
                        QStringLiteral("/usr")},
                       environment);
        installed = install.exitCode == 0;
        if (!installed)
            std::fprintf(stderr, "cmake --install failed:\n%s%s", install.out.constData(), install.err.constData());
    }
    static void TearDownTestSuite()
    {
        delete destDir;
        destDir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed); }

    static QString prefix(const char *name) { return destDir->path() + QStringLiteral("/usr/") + QLatin1String(name); }
    static QString program() { return prefix("bin/trawlex"); }

    static QTemporaryDir *destDir;
    static bool installed;
};

QTemporaryDir *InstalledProgram::destDir = nullptr;
bool InstalledProgram::installed = false;

TEST_F(InstalledProgram, LaysOutEveryFileWhereTheDesktopLooksAndNothingElse)
{
    QStringList expected = {QStringLiteral("bin/trawlex"), QStringLiteral("share/applications/trawlex.desktop"),
                            QStringLiteral("share/icons/hicolor/scalable/apps/trawlex.svg"),
                            QStringLiteral("share/man/man1/trawlex.1"),
                            QStringLiteral("share/metainfo/com.norvane.trawlex.metainfo.xml"),
                            QStringLiteral("share/trawlex/Trawl.chm")};
    for (const char *size : {"16", "24", "32", "48", "64", "128", "256"})
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/trawlex.png").arg(QLatin1String(size));
    for (const QString &file : languageFiles)
        expected << QStringLiteral("share/trawlex/") + file;
    expected.sort();
    EXPECT_EQ(filesBelow(destDir->path() + QStringLiteral("/usr")), expected);
    // The shipped language files are the sources, not the build's copies that learn texts.
    EXPECT_EQ(readFile(prefix("share/trawlex/English.ini")),
              readFile(QStringLiteral(TRAWLEX_SOURCE_DIR "/resources/lang/English.ini")));
}

TEST_F(InstalledProgram, DesktopEntryAndSoftwareCentreEntryPassDebiansValidators)
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const ProgramRun desktop = runProgram(QStringLiteral(DESKTOP_FILE_VALIDATE),
                                          {prefix("share/applications/trawlex.desktop")}, environment);
    EXPECT_EQ(desktop.exitCode, 0) << desktop.out.constData() << desktop.err.constData();
    EXPECT_EQ(desktop.out + desktop.err, QByteArray()) << "hints count as faults";
    const ProgramRun metainfo = runProgram(
        QStringLiteral(APPSTREAMCLI),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
         prefix("share/metainfo/com.norvane.trawlex.metainfo.xml")},
        environment);
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out.constData() << metainfo.err.constData();
    EXPECT_FALSE(metainfo.out.contains("P: ")) << metainfo.out.constData();
}

// Options are taken from --help as a user reads them: "-o FILE", "--robot URL", "-h, --help".
TEST_F(InstalledProgram, TheManualPageListsEveryOptionOfHelp)
{
    const QTemporaryDir home;
    const ProgramRun help = runProgram(program(), {QStringLiteral("--help")}, programEnvironment(home.path()));
    ASSERT_EQ(help.exitCode, 0);
    const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[A-Za-z][\\w-]*)"));
    QStringList options;
    for (const QByteArray &line : help.outLines()) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.startsWith(QLatin1Char('-')))
            continue;
        // The option column of a line: up to the first two blanks.
        const QString column = text.section(QStringLiteral("  "), 0, 0);
        for (auto match = option.globalMatch(column); match.hasNext();)
            options << match.next().captured(1);
    }
    EXPECT_GE(options.size(), 10) << help.out.constData();
    options.removeDuplicates();

    // roff writes a minus as "\-" and wraps options in font changes.
    QString manual = QString::fromUtf8(readFile(prefix("share/man/man1/trawlex.1")));
    manual.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    manual.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    for (const QString &name : options) {
        SCOPED_TRACE(name.toStdString());
        const QRegularExpression named(QStringLiteral("(?<![\\w-])") + QRegularExpression::escape(name)
                                       + QStringLiteral("(?![\\w-])"));
        EXPECT_TRUE(manual.contains(named));
    }
}

// The installed program's own folders cannot take its files: the user's data folder does, made
// and filled with the language files on the first start, and the user is told where.
TEST_F(InstalledProgram, CrawlsALocalSiteIntoThePerUserFolder)
{
    TestHttpServer server;
    server.setRoute({"/", 200, {}, "<a href=\"a.html\">a</a> <a href=\"gone.html\">g</a> one@site.example"});
    server.setRoute({"/a.html", 200, {}, "two@site.example"});
    const QTemporaryDir home;
    const QStringList before = filesBelow(destDir->path());

    const ProgramRun crawl = runProgram(
        program(), {QStringLiteral("--robot"), QString::fromLatin1(server.url("/")), QStringLiteral("--depth"), QStringLiteral("2")},
        programEnvironment(home.path()));
    EXPECT_EQ(crawl.exitCode, 0) << crawl.err.constData();
    const QString data = home.path() + QStringLiteral("/data/trawlex/");
    EXPECT_EQ(crawl.outLines().size(), 2) << crawl.out.constData();
    EXPECT_EQ(readFile(data + QStringLiteral("Emails.txt")), "one@site.example\r\ntwo@site.example\r\n");
    EXPECT_EQ(readFile(data + QStringLiteral("Err.ini")), "HTTP/1.1 404 Not Found\r\n");
    for (const QString &file : languageFiles)
        EXPECT_EQ(readFile(data + file), readFile(prefix("share/trawlex/") + file)) << file.toStdString();
    EXPECT_TRUE(crawl.err.contains("kept in " + QFile::encodeName(data))) << crawl.err.constData();
    EXPECT_EQ(filesBelow(destDir->path()), before);
}

// What scripts/package builds: the same files, and Depends on every library the program needs.
TEST_F(InstalledProgram, TheDebianPackageHoldsTheInstallAndDependsOnItsLibraries)
{
    const QTemporaryDir out;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const ProgramRun pack = runProgram(
        QStringLiteral(CPACK_PROGRAM),
        {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
         QStringLiteral(TRAWLEX_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.path()},
        environment);
    ASSERT_EQ(pack.exitCode, 0) << pack.out.constData() << pack.err.constData();
    const QStringList packages = QDir(out.path()).entryList({QStringLiteral("trawlex_*.deb")});
    ASSERT_EQ(packages.size(), 1);
    const QString package = out.path() + QLatin1Char('/') + packages.at(0);

    const ProgramRun depends =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), package, QStringLiteral("Depends")}, environment);
    for (const char *library : {"libqt6widgets6", "libqt6core6", "libcurl4", "libpsl5", "libsqlite3-0", "libchm1"})
        EXPECT_TRUE(depends.out.contains(library)) << library << " missing from " << depends.out.constData();

    const ProgramRun contents = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), package}, environment);
    for (const QString &file : filesBelow(destDir->path()))
        EXPECT_TRUE(contents.out.contains(" ./" + file.toUtf8() + '\n')) << file.toStdString();
}

} // namespace
