#include "app/CommandLine.h"

#include "TrawlexVersion.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <climits>

namespace {

// One row per option: the parser and --help are both made from this table, so an option
// cannot be accepted without being listed (a man page is made from --help).
struct OptionRow
{
    const char *shortName; // nullptr: a long name only
    const char *name;
    const char *valueName; // nullptr: a flag
    QString help;          // "\n" starts another line of it

    QCommandLineOption option() const
    {
        QStringList names;
        if (shortName != nullptr)
            names << QString::fromLatin1(shortName);
        names << QString::fromLatin1(name);
        return valueName == nullptr ? QCommandLineOption(names)
                                    : QCommandLineOption(names, help, QString::fromLatin1(valueName));
    }
};

QList<OptionRow> optionRows()
{
    return {
        {nullptr, "robot", "URL",
         QStringLiteral("crawl level by level from URL (http://, with --thorough https:// too;\n"
                        "HTTP:// and a bare host/path are taken as http://); given again, each\n"
                        "start address is crawled in turn into the same result file")},
        {"i", "input", "FILE", QStringLiteral("robot: the start addresses in FILE, one a line (\"-\": standard input;\n"
                                              "blank lines and lines starting with # are passed over)")},
        {nullptr, "engine", nullptr,
         QStringLiteral("ask search engines for the phrases given, then crawl the sites found")},
        {nullptr, "engines", "LIST",
         QStringLiteral("engines to ask, in this order, by number or name, comma-separated:\n"
                        "1 or baidu, 2 or google-en, 3 or google-cn (default 1,2,3);\n"
                        "4 and on, or their captions, for the engines of Engines.ini")},
        {nullptr, "depth", "N",
         QStringLiteral("link levels to follow, 0 or more (robot %1, engine %2)")
             .arg(CrawlDefaults::robot.depth)
             .arg(CrawlDefaults::engine.depth)},
        {nullptr, "queue", "N",
         QStringLiteral("links that may wait, 1 or more (robot %1, engine %2)")
             .arg(CrawlDefaults::robot.queues)
             .arg(CrawlDefaults::engine.queues)},
        {nullptr, "this-site", nullptr, QStringLiteral("follow only links inside the start site")},
        {nullptr, "japanese", nullptr,
         QStringLiteral("robot: take links only from pages naming a Japanese character set")},
        {"o", "file", "FILE",
         QStringLiteral("result file (default Emails.txt in the program folder; a relative name\n"
                        "is taken from the current folder); \"-\": no result file, the lines go\n"
                        "to standard output only")},
        {nullptr, "format", "FORMAT",
         QStringLiteral("the lines on standard output and in the result file: tsv (address TAB\n"
                        "source), csv (address, source, level, time found; RFC 4180) or jsonl\n"
                        "(one JSON object a line with those four); without it the result file\n"
                        "holds the bare addresses")},
        {nullptr, "thorough", nullptr,
         QStringLiteral("the thorough rules: https too, every link form, each page once,\n"
                        "addresses however written, robots.txt obeyed; engines asked by\n"
                        "https, their redirects followed")},
        {nullptr, "ignore-robots", nullptr, QStringLiteral("thorough: fetch what robots.txt forbids too")},
        {nullptr, "cacert", "FILE", QStringLiteral("thorough: trust this certificate authority for https as well")},
        {nullptr, "user-agent", "TEXT",
         QStringLiteral("thorough: the User-Agent sent (default %1)").arg(QString::fromLatin1(CrawlRules::defaultUserAgent()))},
        {nullptr, "jobs", "N",
         QStringLiteral("thorough: pages fetched at once (default %1, at most %2)")
             .arg(CrawlRules::kDefaultJobs)
             .arg(CrawlRules::kMaxJobs)},
        {nullptr, "per-host", "N",
         QStringLiteral("thorough: pages fetched at once from one host (default %1, at most %2)")
             .arg(CrawlRules::kDefaultPerHost)
             .arg(CrawlRules::kMaxPerHost)},
        {nullptr, "wait", "SECONDS",
         QStringLiteral("thorough: least time between two requests to one host (default 0;\n"
                        "a robots.txt Crawl-delay makes it longer for its host)")},
        {nullptr, "engine-wait", "SECONDS",
         QStringLiteral("thorough engine search: least time between two result pages asked of\n"
                        "one engine (default %1)")
             .arg(CrawlRules::kDefaultEngineWaitSeconds)},
        {nullptr, "state", "FILE",
         QStringLiteral("thorough robot, one start address: keep the crawl's state in FILE as it\n"
                        "goes; the same command with the same FILE resumes a stopped, crashed or\n"
                        "killed crawl without fetching a finished page or writing an address again")},
        {"q", "quiet", nullptr, QStringLiteral("tell no failed fetch, no progress and no summary")},
        {"v", "verbose", nullptr, QStringLiteral("tell each page fetched too, on standard error")},
        {nullptr, "trace", nullptr, QStringLiteral("print every event of the crawl, one tab-separated line each")},
        {"h", "help", nullptr, QStringLiteral("this text")},
        {"V", "version", nullptr, QStringLiteral("the version")},
    };
}

QString optionList()
{
    constexpr qsizetype column = 26;
    QString text;
    for (const OptionRow &row : optionRows()) {
        QString names = row.shortName != nullptr ? QStringLiteral("  -%1, ").arg(QString::fromLatin1(row.shortName))
                                                 : QStringLiteral("      ");
        names += QStringLiteral("--") + QString::fromLatin1(row.name);
        if (row.valueName != nullptr)
            names += QLatin1Char(' ') + QString::fromLatin1(row.valueName);
        const QString indent(column, QLatin1Char(' '));
        text += names.size() < column - 1 ? names.leftJustified(column) : QString(names + QLatin1Char('\n') + indent);
        text += QString(row.help).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent) + QLatin1Char('\n');
    }
    return text;
}

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

// A whole number within [least, most], or the fallback when the option is not given.
bool readCountIn(const QCommandLineParser &parser, const QString &option, int least, int most, int fallback, int *value,
                 QString *error)
{
    if (!parser.isSet(option)) {
        *value = fallback;
        return true;
    }
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("--%1 wants a whole number, not \"%2\"").arg(option, parser.value(option));
        return false;
    }
    if (*value >= least && *value <= most)
        return true;
    *error = most == INT_MAX ? QStringLiteral("--%1 wants %2 or more, not %3").arg(option).arg(least).arg(*value)
                             : QStringLiteral("--%1 wants a number from %2 to %3, not %4").arg(option).arg(least).arg(most).arg(*value);
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

// The lines of an -i file that name start addresses.
bool readInputLines(const QString &name, FILE *standardInput, QStringList *lines, QString *error)
{
    QFile file(name);
    const bool opened = name == QLatin1String("-") ? file.open(standardInput, QIODevice::ReadOnly)
                                                   : file.open(QIODevice::ReadOnly);
    if (!opened) {
        *error = QStringLiteral("cannot read the start addresses in %1: %2").arg(name, file.errorString());
        return false;
    }
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString address = QString::fromUtf8(line).trimmed();
        if (!address.isEmpty() && !address.startsWith(QLatin1Char('#')))
            *lines << address;
    }
    return true;
}

bool isSet(const QCommandLineParser &parser, const char *name)
{
    return parser.isSet(QString::fromLatin1(name));
}

QString value(const QCommandLineParser &parser, const char *name)
{
    return parser.value(QString::fromLatin1(name));
}

// The first option of `names` that is set, or nullptr.
const char *firstSet(const QCommandLineParser &parser, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (isSet(parser, name))
            return name;
    return nullptr;
}

// Robot: the start addresses of --robot and -i, each as the command line means it.
bool readStarts(const QCommandLineParser &parser, bool thorough, FILE *standardInput, CrawlRequest *request,
                QString *error)
{
    QStringList typed = parser.values(QStringLiteral("robot"));
    if (isSet(parser, "input")) {
        const QString name = value(parser, "input");
        const qsizetype before = typed.size();
        if (!readInputLines(name, standardInput, &typed, error))
            return false;
        if (typed.size() == before) {
            *error = QStringLiteral("no start address in %1").arg(name);
            return false;
        }
    }
    for (const QString &address : typed) {
        const QByteArray start = CommandLine::startAddress(address, thorough);
        if (start.isEmpty()) {
            *error = thorough ? QStringLiteral("the start address must begin with http:// or https://, not \"%1\"").arg(address)
                              : QStringLiteral("the start address must begin with http://, not \"%1\"").arg(address);
            return false;
        }
        request->starts << start;
    }
    request->crawl.searchEngine = request->starts.value(0);
    return true;
}

} // namespace

namespace CommandLine {

bool wanted(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (arguments.at(i).size() > 1 && arguments.at(i).startsWith(QLatin1Char('-')))
            return true;
    return false;
}

QByteArray startAddress(const QString &typed, bool thorough)
{
    QString address = typed.trimmed();
    const qsizetype schemeEnd = address.indexOf(QLatin1String("://"));
    if (schemeEnd < 0) {
        address.prepend(QLatin1String("http://"));
        if (address.indexOf(QLatin1Char('/'), 7) < 0)
            address += QLatin1Char('/'); // the host's front page: its folder is the base of its links
    } else {
        address = address.left(schemeEnd).toLower() + address.mid(schemeEnd);
    }
    return IsStartAddress(address, thorough) ? address.toUtf8() : QByteArray();
}

QString usage()
{
    return QStringLiteral(
               "Usage: trawlex --robot URL [--robot URL]... [options]\n"
               "  or:  trawlex -i FILE [options]\n"
               "  or:  trawlex --engine PHRASE... [options]\n"
               "  or:  trawlex                 (without options: the window)\n"
               "\n"
               "Collects e-mail addresses from web pages. Each address found is printed as\n"
               "\"address<TAB>source page folder\" and appended to the result file.\n"
               "\n"
               "Options:\n")
           + optionList()
           + QStringLiteral(
               "\n"
               "Each failed fetch is told on standard error as it happens, as \"trawlex: cannot fetch\n"
               "URL: reason\", and its line goes to Err.ini in the program folder as well.\n"
               "\n"
               "Ctrl-C stops after the page being fetched (exit code 130); a thorough crawl drops the pages\n"
               "in flight at once (with --state they are fetched when it resumes). A second Ctrl-C quits at once.\n"
               "\n"
               "Exit codes (when several apply, the lowest but 0 and 1; 130 always shows):\n"
               "  0    all well\n"
               "  1    a generic error: no display for the window, the state file could not be kept\n"
               "  2    bad arguments\n"
               "  3    the result file or Err.ini could not be written (the addresses still go to\n"
               "       standard output)\n"
               "  4    a start address failed, or every fetch of a crawl (every engine request),\n"
               "       or every engine asked refused automated requests\n"
               "  8    some pages got a server error (5xx) while the crawl went on\n"
               "  130  interrupted\n");
}

Parsed parse(const QStringList &arguments, const QString &currentFolder, FILE *standardInput)
{
    QCommandLineParser parser;
    for (const OptionRow &row : optionRows())
        parser.addOption(row.option());
    Parsed parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (isSet(parser, "help")) {
        parsed.output = usage();
        return parsed;
    }
    if (isSet(parser, "version")) {
        parsed.output = QStringLiteral("Norvane Trawlex " TRAWLEX_VERSION "\n");
        return parsed;
    }

    const bool robot = isSet(parser, "robot") || isSet(parser, "input");
    const bool engine = isSet(parser, "engine");
    if (robot == engine) {
        parsed.error = QStringLiteral("give either --robot URL (or -i FILE) or --engine PHRASE...");
        return parsed;
    }
    if (isSet(parser, "quiet") && isSet(parser, "verbose")) {
        parsed.error = QStringLiteral("give -q or -v, not both");
        return parsed;
    }
    CrawlRequest request;
    request.mode = robot ? CrawlRequest::Mode::Robot : CrawlRequest::Mode::Engine;
    request.crawl.allLinks = !isSet(parser, "this-site");
    request.crawl.japaneseOnly = isSet(parser, "japanese");
    request.trace = isSet(parser, "trace");
    request.chatter = isSet(parser, "quiet")     ? CrawlRequest::Chatter::Quiet
                      : isSet(parser, "verbose") ? CrawlRequest::Chatter::Verbose
                                                 : CrawlRequest::Chatter::Normal;
    const QString file = value(parser, "file");
    if (file == QLatin1String("-"))
        request.resultsToStandardOutputOnly = true;
    else if (!file.trimmed().isEmpty())
        request.resultFile = QDir::cleanPath(QDir(currentFolder.isEmpty() ? QDir::currentPath() : currentFolder).absoluteFilePath(file));
    if (isSet(parser, "format")) {
        request.format = ResultFormat::named(value(parser, "format"));
        if (!request.format) {
            parsed.error = QStringLiteral("--format wants tsv, csv or jsonl, not \"%1\"").arg(value(parser, "format"));
            return parsed;
        }
    }
    CrawlRules &rules = request.crawl.rules;
    rules.thorough = isSet(parser, "thorough");
    rules.obeyRobots = !isSet(parser, "ignore-robots");
    rules.caFile = QFile::encodeName(value(parser, "cacert"));
    rules.userAgent = value(parser, "user-agent").toUtf8();
    rules.stateFile = QFile::encodeName(value(parser, "state"));
    if (const char *thoroughOnly = firstSet(parser, {"ignore-robots", "cacert", "user-agent", "jobs", "per-host", "wait", "state", "engine-wait"});
        thoroughOnly != nullptr && !rules.thorough) {
        parsed.error = QStringLiteral("--%1 belongs to --thorough").arg(QString::fromLatin1(thoroughOnly));
        return parsed;
    }
    if (!readCountIn(parser, QStringLiteral("jobs"), 1, CrawlRules::kMaxJobs, CrawlRules::kDefaultJobs, &rules.jobs,
                     &parsed.error)
        || !readCountIn(parser, QStringLiteral("per-host"), 1, CrawlRules::kMaxPerHost, CrawlRules::kDefaultPerHost,
                        &rules.perHost, &parsed.error)
        || !readSeconds(parser, QStringLiteral("wait"), CrawlRules::kMaxWaitSeconds, &rules.waitMs, &parsed.error)
        || !readSeconds(parser, QStringLiteral("engine-wait"), CrawlRules::kMaxWaitSeconds, &rules.engineWaitMs,
                        &parsed.error))
        return parsed;
    // No level at all, or no room for a single link, is no crawl anyone means.
    const CrawlLimits defaults = robot ? CrawlDefaults::robot : CrawlDefaults::engine;
    if (!readCountIn(parser, QStringLiteral("depth"), 0, INT_MAX, defaults.depth, &request.crawl.limits.depth, &parsed.error)
        || !readCountIn(parser, QStringLiteral("queue"), 1, INT_MAX, defaults.queues, &request.crawl.limits.queues,
                        &parsed.error))
        return parsed;

    if (robot) {
        if (!parser.positionalArguments().isEmpty() || isSet(parser, "engines")) {
            parsed.error = QStringLiteral("--robot takes addresses (--robot URL, -i FILE) and no phrases or engines");
            return parsed;
        }
        if (!readStarts(parser, rules.thorough, standardInput, &request, &parsed.error))
            return parsed;
        if (!rules.stateFile.isEmpty() && request.starts.size() > 1) {
            parsed.error = QStringLiteral("--state keeps one crawl: give one start address");
            return parsed;
        }
    } else {
        if (const char *robotOnly = firstSet(parser, {"japanese", "state"}); robotOnly != nullptr) {
            parsed.error = QStringLiteral("--%1 belongs to --robot").arg(QString::fromLatin1(robotOnly));
            return parsed;
        }
        request.crawl.phrases = parser.positionalArguments();
        if (request.crawl.phrases.isEmpty()) {
            parsed.error = QStringLiteral("--engine needs at least one phrase");
            return parsed;
        }
        request.engineFile = EngineFile::current();
        const QString list = isSet(parser, "engines") ? value(parser, "engines") : QStringLiteral("1,2,3");
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
