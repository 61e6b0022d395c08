#pragma once
// The command line of Trawlex: what a headless crawl is asked to do, parsed from argv.

#include "search/CrawlSettings.h"
#include "search/EngineFile.h"
#include "search/EngineTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct CrawlRequest
{
    enum class Mode { Robot, Engine };
    Mode mode = Mode::Robot;
    // Robot: the start address in searchEngine. Engine: the phrases; the root address is the
    // settings file's, filled in when the crawl starts.
    CrawlSettings crawl;
    QList<EngineRow> engines; // engine: the chosen captions, in the order asked
    EngineFile engineFile;    // engine: the engines of Engines.ini, numbered on from the designed
    QString resultFile;       // as typed; blank means the default
    bool trace = false;
};

namespace CommandLine {

// True when the arguments ask for the command line rather than the window.
bool wanted(const QStringList &arguments);

struct Parsed
{
    std::optional<CrawlRequest> request; // set when a crawl is to run
    QString output;                      // --help or --version text for standard output
    QString error;                       // a message for standard error; exit code 2
};

Parsed parse(const QStringList &arguments);

} // namespace CommandLine
