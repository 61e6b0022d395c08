#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>

namespace {

const QString robotOption = QStringLiteral("robot");
const QString engineOption = QStringLiteral("engine");

// Engines by number (in the options dialog's order, those of Engines.ini after the designed
// three), by caption, or by a short name.
std::optional<EngineRow> engineNamed(const QString &name, const QList<FileEngine> &fileEngines)
{
    QList<EngineRow> rows = EngineTable::initialRows();
    for (const FileEngine &engine : fileEngines)
        rows.append(EngineRow{engine.caption, true});
    bool isNumber = false;
    const int number = name.toInt(&isNumber);
    if (isNumber)
        return number >= 1 && number <= rows.size() ? std::optional(rows.at(number - 1)) : std::nullopt;
    const QString wanted = name.trimmed().toLower();
    for (const FileEngine &engine : fileEngines)
        if (wanted == engine.caption.toLower())
            return EngineRow{engine.caption, true};
    const struct { const char *shortName; const char16_t *caption; } names[] = {
        {"baidu", EngineTable::kBaidu},
        {"google-en", EngineTable::kGoogleEnglish},
        {"google-cn", EngineTable::kGoogleChinese},
    };
    for (const auto &entry : names) {
        const QString caption = QString::fromUtf16(entry.caption);
        if (wanted == QLatin1String(entry.shortName) || wanted == caption.toLower())
            return EngineRow{caption, true};
    }
    return std::nullopt;
}

bool readCount(const QCommandLineParser &parser, const QString &option, int fallback, int *value, QString *error)
{
    if (!parser.isSet(option)) {
        *value = fallback;
        return true;
    }
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    if (!ok)
        *error = QStringLiteral("--%1 wants a whole number, not \"%2\"").arg(option, parser.value(option));
    return ok;
}

// A whole number within [least, most], or the fallback when the option is not given.
bool readCountIn(const QCommandLineParser &parser, const QString &option, int least, int most, int fallback, int *value,
                 QString *error)
{
    if (!readCount(parser, option, fallback, value, error))
        return false;
    if (*value >= least && *value <= most)
        return true;
    *error = QStringLiteral("--%1 wants a number from %2 to %3, not %4").arg(option).arg(least).arg(most).arg(*value);
    return false;
}

// Seconds, with a decimal point, within [0, most].
bool readSeconds(const QCommandLineParser &parser, const QString &option, int most, int *milliseconds, QString *error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const double seconds = QLocale::c().toDouble(parser.value(option), &ok);
    if (!ok || !(seconds >= 0.0 && seconds <= most)) {
        *error = QStringLiteral("--%1 wants seconds from 0 to %2, not \"%3\"").arg(option).arg(most).arg(parser.value(option));
        return false;
    }
    *milliseconds = qRound(seconds * 1000.0);
    return true;
}

QString usage()
{
    const QString text = QStringLiteral(
        "Usage: trawlex --robot URL [options]\n"
        "       trawlex --engine PHRASE... [options]\n"
        "       trawlex                      (the window)\n"
        "\n"
        "Collects e-mail addresses from web pages. Each address found is printed as\n"
        "\"address<TAB>source page folder\" and appended to the result file.\n"
        "\n"
        "Options:\n"
        "  --robot URL        crawl level by level from URL (must start with http://)\n"
        "  --engine           ask search engines for the phrases given, then crawl the sites found\n"
        "  --engines LIST     engines to ask, in this order, by number or name, comma-separated:\n"
        "                     1 or baidu, 2 or google-en, 3 or google-cn (default 1,2,3);\n"
        "                     4 and on, or their captions, for the engines of Engines.ini\n"
        "  --depth N          link levels to follow (robot %1, engine %2)\n"
        "  --queue N          links that may wait (robot %3, engine %4)\n"
        "  --this-site        follow only links inside the start site\n"
        "  --japanese         robot: take links only from pages naming a Japanese character set\n"
        "  --file NAME        result file (default Emails.txt in the program folder)\n"
        "  --thorough         the thorough rules: https too, every link form, each page once,\n"
        "                     addresses however written, robots.txt obeyed; engines asked by\n"
        "                     https, their redirects followed\n"
        "  --ignore-robots    thorough: fetch what robots.txt forbids too\n"
        "  --cacert FILE      thorough: trust this certificate authority for https as well\n"
        "  --user-agent TEXT  thorough: the User-Agent sent (default Trawlex/VERSION)\n"
        "  --jobs N           thorough: pages fetched at once (default %5, at most %6)\n"
        "  --per-host N       thorough: pages fetched at once from one host (default %7, at most %8)\n"
        "  --wait SECONDS     thorough: least time between two requests to one host (default 0;\n"
        "                     a robots.txt Crawl-delay makes it longer for its host)\n"
        "  --engine-wait SECONDS  thorough engine search: least time between two result pages\n"
        "                     asked of one engine (default %9)\n"
        "  --state FILE       thorough robot: keep the crawl's state in FILE as it goes; the same\n"
        "                     command with the same FILE resumes a stopped, crashed or killed crawl\n"
        "                     without fetching a finished page or writing an address again\n"
        "  --trace            print every event of the crawl, one tab-separated line each\n"
        "  --help             this text\n"
        "  --version          the version\n"
        "\n"
        "Ctrl-C stops after the page being fetched (exit code 130); a thorough crawl drops the pages\n"
        "in flight at once (with --state they are fetched when it resumes). A second Ctrl-C quits at once.\n"
        "\n"
        "Exit codes: 0 all well, 2 bad arguments, 3 the result file or Err.ini could not be\n"
        "written (the addresses still go to standard output), 4 every engine asked refused\n"
        "automated requests (thorough engine search), 130 interrupted.\n");
    return text.arg(CrawlDefaults::robot.depth).arg(CrawlDefaults::engine.depth).arg(CrawlDefaults::robot.queues)
        .arg(CrawlDefaults::engine.queues)
        .arg(CrawlRules::kDefaultJobs)
        .arg(CrawlRules::kMaxJobs)
        .arg(CrawlRules::kDefaultPerHost)
        .arg(CrawlRules::kMaxPerHost)
        .arg(CrawlRules::kDefaultEngineWaitSeconds);
}

} // namespace

namespace CommandLine {

bool wanted(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (arguments.at(i).startsWith(QLatin1String("--")))
            return true;
    return false;
}

Parsed parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const auto valued = [](const char *name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    };
    const auto flag = [](const char *name) { return QCommandLineOption(QString::fromLatin1(name)); };
    parser.addOptions({valued("robot"), flag("engine"), valued("engines"), valued("depth"), valued("queue"),
                       flag("this-site"), flag("japanese"), valued("file"), flag("trace"), flag("help"),
                       flag("version"), flag("thorough"), flag("ignore-robots"), valued("cacert"),
                       valued("user-agent"), valued("jobs"), valued("per-host"), valued("wait"),
                       valued("state"), valued("engine-wait")});
    Parsed parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.output = usage();
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.output = QStringLiteral("Norvane Trawlex %1\n").arg(QCoreApplication::applicationVersion());
        return parsed;
    }

    const bool robot = parser.isSet(robotOption);
    const bool engine = parser.isSet(engineOption);
    if (robot == engine) {
        parsed.error = QStringLiteral("give either --robot URL or --engine PHRASE...");
        return parsed;
    }
    CrawlRequest request;
    request.mode = robot ? CrawlRequest::Mode::Robot : CrawlRequest::Mode::Engine;
    request.crawl.allLinks = !parser.isSet(QStringLiteral("this-site"));
    request.crawl.japaneseOnly = parser.isSet(QStringLiteral("japanese"));
    request.resultFile = parser.value(QStringLiteral("file"));
    request.trace = parser.isSet(QStringLiteral("trace"));
    CrawlRules &rules = request.crawl.rules;
    rules.thorough = parser.isSet(QStringLiteral("thorough"));
    rules.obeyRobots = !parser.isSet(QStringLiteral("ignore-robots"));
    rules.caFile = QFile::encodeName(parser.value(QStringLiteral("cacert")));
    rules.userAgent = parser.value(QStringLiteral("user-agent")).toUtf8();
    rules.stateFile = QFile::encodeName(parser.value(QStringLiteral("state")));
    for (const char *thoroughOnly :
         {"ignore-robots", "cacert", "user-agent", "jobs", "per-host", "wait", "state", "engine-wait"}) {
        if (!rules.thorough && parser.isSet(QString::fromLatin1(thoroughOnly))) {
            parsed.error = QStringLiteral("--%1 belongs to --thorough").arg(QString::fromLatin1(thoroughOnly));
            return parsed;
        }
    }
    if (!readCountIn(parser, QStringLiteral("jobs"), 1, CrawlRules::kMaxJobs, CrawlRules::kDefaultJobs, &rules.jobs,
                     &parsed.error)
        || !readCountIn(parser, QStringLiteral("per-host"), 1, CrawlRules::kMaxPerHost, CrawlRules::kDefaultPerHost,
                        &rules.perHost, &parsed.error)
        || !readSeconds(parser, QStringLiteral("wait"), CrawlRules::kMaxWaitSeconds, &rules.waitMs, &parsed.error)
        || !readSeconds(parser, QStringLiteral("engine-wait"), CrawlRules::kMaxWaitSeconds, &rules.engineWaitMs,
                        &parsed.error))
        return parsed;
    const CrawlLimits defaults = robot ? CrawlDefaults::robot : CrawlDefaults::engine;
    if (!readCount(parser, QStringLiteral("depth"), defaults.depth, &request.crawl.limits.depth, &parsed.error)
        || !readCount(parser, QStringLiteral("queue"), defaults.queues, &request.crawl.limits.queues, &parsed.error))
        return parsed;

    if (robot) {
        const QString url = parser.value(robotOption);
        if (!IsStartAddress(url, rules.thorough)) {
            parsed.error = rules.thorough
                               ? QStringLiteral("the start address must begin with http:// or https://, not \"%1\"").arg(url)
                               : QStringLiteral("the start address must begin with http://, not \"%1\"").arg(url);
            return parsed;
        }
        if (!parser.positionalArguments().isEmpty() || parser.isSet(QStringLiteral("engines"))) {
            parsed.error = QStringLiteral("--robot takes one address and no phrases or engines");
            return parsed;
        }
        request.crawl.searchEngine = url.toUtf8();
    } else {
        for (const char *robotOnly : {"japanese", "state"}) {
            if (parser.isSet(QString::fromLatin1(robotOnly))) {
                parsed.error = QStringLiteral("--%1 belongs to --robot").arg(QString::fromLatin1(robotOnly));
                return parsed;
            }
        }
        request.crawl.phrases = parser.positionalArguments();
        if (request.crawl.phrases.isEmpty()) {
            parsed.error = QStringLiteral("--engine needs at least one phrase");
            return parsed;
        }
        request.engineFile = EngineFile::current();
        const QString list = parser.isSet(QStringLiteral("engines")) ? parser.value(QStringLiteral("engines"))
                                                                      : QStringLiteral("1,2,3");
        for (const QString &name : list.split(QLatin1Char(','))) {
            const std::optional<EngineRow> row = engineNamed(name, request.engineFile.engines);
            if (!row) {
                parsed.error = QStringLiteral("no engine \"%1\"; use 1 or baidu, 2 or google-en, 3 or google-cn%2")
                                   .arg(name, request.engineFile.engines.isEmpty()
                                                  ? QString()
                                                  : QStringLiteral(", or 4 to %1 or a caption for those of Engines.ini")
                                                        .arg(3 + request.engineFile.engines.size()));
                return parsed;
            }
            request.engines << *row;
        }
    }
    parsed.request = request;
    return parsed;
}

} // namespace CommandLine
