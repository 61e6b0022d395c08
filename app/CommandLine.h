#pragma once
// The command line of Trawlex: what a headless crawl is asked to do, parsed from argv.

#include "app/ResultFormat.h"
#include "search/CrawlSettings.h"
#include "search/EngineFile.h"
#include "search/EngineTable.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

// How a command-line run ends, as shell scripts read it (the numbers are wget's where it has one).
// When several things went wrong, the lowest number but 0 and 1 wins; an interrupt always shows.
namespace ExitCode {
inline constexpr int ok = 0;
inline constexpr int error = 1;         // no window could open, the state file could not be kept
inline constexpr int usage = 2;         // the arguments asked for nothing that can be done
inline constexpr int resultFile = 3;    // the result file or Err.ini could not be written
inline constexpr int startFailed = 4;   // a start address (or every engine request) failed
inline constexpr int serverError = 8;   // some pages got a server error (5xx); the crawl went on
inline constexpr int interrupted = 130; // Ctrl-C
} // namespace ExitCode

struct CrawlRequest
{
    enum class Mode { Robot, Engine };
    enum class Chatter { Quiet, Normal, Verbose };
    Mode mode = Mode::Robot;
    // Robot: the first start address in searchEngine. Engine: the phrases; the root address is
    // the settings file's, filled in when the crawl starts.
    CrawlSettings crawl;
    QByteArrayList starts;    // robot: every start address, crawled in turn
    QList<EngineRow> engines; // engine: the chosen captions, in the order asked
    EngineFile engineFile;    // engine: the engines of Engines.ini, numbered on from the designed
    QString resultFile;       // absolute, or blank for the default
    bool resultsToStandardOutputOnly = false; // "-o -": no result file at all
    // None: "address<TAB>source" on standard output and the bare address in the result file, as
    // the search panels write it.
    std::optional<ResultFormat::Format> format;
    Chatter chatter = Chatter::Normal;
    bool trace = false;
};

namespace CommandLine {

// True when the arguments ask for the command line rather than the window: any option, long
// or short.
bool wanted(const QStringList &arguments);

struct Parsed
{
    std::optional<CrawlRequest> request; // set when a crawl is to run
    QString output;                      // --help or --version text for standard output
    QString error;                       // a message for standard error; exit code 2
};

// `standardInput` is read for "-i -"; a relative result file is taken from `currentFolder`
// (empty: the current directory).
Parsed parse(const QStringList &arguments, const QString &currentFolder = {}, FILE *standardInput = stdin);

// The start address a command-line user means: the scheme lower-cased, "http://" added to a
// bare "host/path". Empty when it cannot be a start address of these rules.
QByteArray startAddress(const QString &typed, bool thorough);

// The whole --help text.
QString usage();

} // namespace CommandLine
