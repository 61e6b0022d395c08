#include "app/CommandLine.h"
#include "app/HeadlessCrawl.h"
#include "app/ProgramStart.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRAWLEX_VERSION));
    const CommandLine::Parsed parsed = CommandLine::parse(QCoreApplication::arguments());
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "trawlex: %s\nTry 'trawlex --help'.\n", qPrintable(parsed.error));
        return 2;
    }
    if (!parsed.request) {
        std::fputs(qPrintable(parsed.output), stdout);
        return 0;
    }
    if (ProgramFolder::isPerUser()) std::fprintf(stderr, "trawlex: Err.ini, settings and Emails.txt (unless --file names another) are kept in %s\n", qPrintable(ProgramFolder::path()));
    return runHeadlessCrawl(*parsed.request);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::wanted(arguments))
        return runCommandLine(argc, argv);
    return ProgramStart::run(argc, argv);
}
