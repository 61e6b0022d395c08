#include "app/CommandLine.h"
#include "app/HeadlessCrawl.h"
#include "app/ProgramStart.h"
#include "platform/ProgramFolder.h"

#include "TrawlexVersion.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRAWLEX_VERSION));
    const CommandLine::Parsed parsed = CommandLine::parse(QCoreApplication::arguments());
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "trawlex: %s\nTry 'trawlex --help'.\n", qPrintable(parsed.error));
        return ExitCode::usage;
    }
    if (!parsed.request) {
        std::fputs(qPrintable(parsed.output), stdout);
        return ExitCode::ok;
    }
    // An installed program keeps its own files out of its read-only folder: said where they are.
    if (ProgramFolder::isPerUser() && parsed.request->chatter != CrawlRequest::Chatter::Quiet)
        std::fprintf(stderr, "trawlex: Err.ini, settings and Emails.txt (unless --file names another) are kept in %s\n",
                     qPrintable(ProgramFolder::path()));
    return runHeadlessCrawl(*parsed.request);
}

bool isSet(const char *variable)
{
    const char *value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Without a display the window's platform would abort the program with a core dump. A platform
// named in QT_QPA_PLATFORM (offscreen, say) is the user's choice and is left to Qt.
bool windowCanOpen()
{
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::wanted(arguments))
        return runCommandLine(argc, argv);
    if (!windowCanOpen()) {
        std::fputs("trawlex: no display to open the window on; for a crawl without one see 'trawlex --help'\n", stderr);
        return ExitCode::error;
    }
    return ProgramStart::run(argc, argv);
}
