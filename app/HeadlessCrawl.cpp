#include "app/HeadlessCrawl.h"

#include "app/CrawlOutcome.h"
#include "app/PrintableText.h"
#include "app/ResultFormat.h"

#include "crawl/HostSchedule.h"
#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "platform/ProgramFolder.h"
#include "search/EngineRefusal.h"
#include "search/EngineWalk.h"
#include "search/KeptCrawl.h"
#include "search/ResultFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <memory>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

int interruptPipe[2] = {-1, -1};
std::atomic<int> interrupts{0}; // lock-free, so safe in a signal handler

// The first Ctrl-C asks for a stop through the pipe; the second leaves at once. Result lines
// are written whole by single write calls, so leaving between two of them cuts no line.
void onInterrupt(int)
{
    if (++interrupts > 1)
        _exit(ExitCode::interrupted);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(interruptPipe[1], &byte, 1);
}

PrintTarget targetOf(int descriptor)
{
    return isatty(descriptor) != 0 ? PrintTarget::Terminal : PrintTarget::Pipe;
}

// What the progress line and the summary show; written by the crawl's events, read by the timer.
struct Tally
{
    std::atomic<long> pages{0};
    std::atomic<long> addresses{0};
    std::atomic<long> waiting{0};
    std::atomic<bool> resultFileFailed{false};
    std::atomic<int> pageLevel{0}; // of the page whose addresses come next
    std::mutex lock; // guards current and occupied
    QByteArray current;
    std::vector<bool> occupied;
};

class Output
{
public:
    explicit Output(bool trace) : trace_(trace), target_(targetOf(STDOUT_FILENO)) {}

    // Text that came from a page, as it may be printed here.
    QByteArray shown(const QByteArray &fromPage) const { return printable(fromPage, target_); }
    PrintTarget target() const { return target_; }

    void line(const QByteArray &text)
    {
        const std::lock_guard guard(lock_);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fputc('\n', stdout);
    }
    void traceLine(const QByteArray &text)
    {
        if (trace_)
            line(text);
    }
    void flush()
    {
        const std::lock_guard guard(lock_);
        std::fflush(stdout);
    }

private:
    bool trace_;
    PrintTarget target_;
    std::mutex lock_;
};

// Standard error: what went wrong, and with -v each page fetched, one line each, over the
// progress line on a terminal.
class Notices
{
public:
    explicit Notices(CrawlRequest::Chatter chatter) : chatter_(chatter), target_(targetOf(STDERR_FILENO)) {}

    QByteArray shown(const QByteArray &fromPage) const { return printable(fromPage, target_); }
    bool terminal() const { return target_ == PrintTarget::Terminal; }
    bool quiet() const { return chatter_ == CrawlRequest::Chatter::Quiet; }
    bool verbose() const { return chatter_ == CrawlRequest::Chatter::Verbose; }

    // Told whatever the chatter: a file that cannot be written costs results.
    void error(const QByteArray &text) const { write("trawlex: " + text); }
    void notice(const QByteArray &text) const
    {
        if (!quiet())
            write("trawlex: " + text);
    }
    void detail(const QByteArray &text) const
    {
        if (verbose())
            write("trawlex: " + text);
    }
    void progress(const QByteArray &text) const
    {
        if (!quiet() && terminal()) {
            std::fprintf(stderr, "\r\033[K%s", text.constData());
            std::fflush(stderr);
        }
    }
    void summary(const QByteArray &text) const
    {
        if (!quiet())
            write(text);
    }

private:
    void write(const QByteArray &line) const
    {
        std::fprintf(stderr, terminal() ? "\r\033[K%s\n" : "%s\n", line.constData());
    }

    CrawlRequest::Chatter chatter_;
    PrintTarget target_;
};

// Where the found addresses go besides standard output.
struct ResultSink
{
    QString fileName; // empty: standard output only
    std::optional<ResultFormat::Format> format;

    // The lines the file takes for one page's addresses.
    QByteArrayList fileLines(const QByteArrayList &emails, const ResultFormat::Found &page) const
    {
        if (!format)
            return emails;
        QByteArrayList lines;
        for (const QByteArray &address : emails) {
            ResultFormat::Found found = page;
            found.address = address;
            lines << ResultFormat::line(found, *format, std::nullopt);
        }
        return lines;
    }

    // The addresses the file holds, as a resumed crawl takes them.
    QByteArrayList addressesWritten() const
    {
        if (fileName.isEmpty())
            return {};
        QByteArrayList addresses = ResultFile::addresses(fileName);
        if (format)
            for (QByteArray &line : addresses)
                line = ResultFormat::addressOf(line, *format);
        return addresses;
    }
};

struct Run
{
    const CrawlRequest &request;
    ResultSink sink;
    Output out;
    Notices notices;
    Tally tally;
    CrawlOutcome outcome;
    std::shared_ptr<EngineWalk> walk; // engine search: whether every engine refused, at the end
};

void wireEvents(TznWebSearch &search, const EngineHosts &hosts, Run &run)
{
    Output &out = run.out;
    Tally &tally = run.tally;
    search.OnWebLinkChange = [&out, &tally](const QByteArray &link, const QByteArray &level, int index) {
        out.traceLine("OnWebLinkChange\t" + out.shown(link) + '\t' + level + '\t' + QByteArray::number(index));
        const std::lock_guard guard(tally.lock);
        if (size_t(index) >= tally.occupied.size())
            tally.occupied.resize(size_t(index) + 1, false);
        if (tally.occupied[size_t(index)] != !link.isEmpty())
            tally.waiting += link.isEmpty() ? -1 : 1;
        tally.occupied[size_t(index)] = !link.isEmpty();
    };
    search.OnPageFetched = [&run](const QByteArray &url, int level, int status, const QByteArray &error) {
        run.out.traceLine("OnPageFetched\t" + run.out.shown(url) + '\t' + QByteArray::number(level) + '\t'
                          + QByteArray::number(status) + '\t' + run.out.shown(error));
        run.outcome.fetched(url, status, !error.isEmpty());
        run.tally.pageLevel = level;
        if (!error.isEmpty())
            run.notices.notice("cannot fetch " + run.notices.shown(url) + ": " + run.notices.shown(error));
        else
            run.notices.detail("fetched " + run.notices.shown(url) + " (level " + QByteArray::number(level) + ")");
    };
    search.OnPageReceived = [&run](const QByteArray &url, const QByteArray &, const QByteArrayList &emails) {
        Output &output = run.out;
        output.traceLine("OnPageReceived\t" + output.shown(url) + '\t' + QByteArray::number(emails.size()));
        const ResultFormat::Found page{{}, url, run.tally.pageLevel, QDateTime::currentDateTimeUtc()};
        if (!run.sink.fileName.isEmpty() && !emails.isEmpty()) {
            const QString failure = ResultFile::append(run.sink.fileName, run.sink.fileLines(emails, page));
            // Told once: the addresses still reach standard output, and the exit code says the rest.
            if (!failure.isEmpty() && !run.tally.resultFileFailed.exchange(true)) {
                run.outcome.fileUnwritable();
                run.notices.error("cannot write the result file " + QFile::encodeName(run.sink.fileName) + ": "
                                  + failure.toUtf8());
            }
        }
        const ResultFormat::Format format = run.request.format.value_or(ResultFormat::Format::Tsv);
        for (const QByteArray &address : emails) {
            ResultFormat::Found found = page;
            found.address = address;
            output.line(ResultFormat::line(found, format, output.target()));
        }
        output.flush();
        ++run.tally.pages;
        run.tally.addresses += emails.size();
        const std::lock_guard guard(run.tally.lock);
        run.tally.current = url;
    };
    QObject::connect(&search, &TznWebSearch::ErrorLogUnwritable, &search,
                     [&run](const QString &fileName, const QString &reason) {
                         run.outcome.fileUnwritable();
                         run.notices.error("cannot write the error log " + QFile::encodeName(ProgramFolder::resolve(fileName))
                                           + ": " + reason.toUtf8());
                     });
    search.OnEnd = [&out] {
        out.traceLine("OnEnd");
        out.flush();
    };
    if (run.request.mode != CrawlRequest::Mode::Engine)
        return;
    for (const QString &problem : run.request.engineFile.problems)
        run.notices.error(problem.toUtf8());
    auto walk = std::make_shared<EngineWalk>(
        EngineSet(hosts, run.request.engineFile.engines, run.request.crawl.rules.thorough));
    run.walk = walk;
    walk->start(run.request.engines, int(run.request.crawl.phrases.size()));
    search.OnPhraseSearchStart = [walk, &search, &out, &run](int &position, QByteArray &url) {
        const TResultPage answered = search.LastResultPage();
        const EngineWalk::Answer answer =
            walk->next(position, run.request.engines, run.request.crawl.phrases, search.Stop(), &answered);
        if (!answer.refusedEngine.isEmpty()) {
            EngineRefusal::log(answer.refusedEngine, answer.refusal);
            run.notices.error(EngineRefusal::message(answer.refusedEngine, answer.refusal).toUtf8());
        }
        if (answer.stopSearch)
            search.StopSearch();
        search.setResultLinkFilter(answer.resultLinks);
        url = answer.wireUrl();
        out.traceLine("OnPhraseSearchStart\t" + QByteArray::number(position) + '\t' + out.shown(url));
    };
}

QByteArray progressLine(Tally &tally, int queueSize, double seconds, PrintTarget target)
{
    QByteArray current;
    {
        const std::lock_guard guard(tally.lock);
        current = tally.current;
    }
    current = printable(current, target);
    const double rate = seconds > 0 ? double(tally.pages.load()) / seconds : 0.0;
    QByteArray text = "pages " + QByteArray::number(qlonglong(tally.pages.load())) + "  addresses "
                      + QByteArray::number(qlonglong(tally.addresses.load())) + "  queue "
                      + QByteArray::number(qlonglong(tally.waiting.load())) + "/" + QByteArray::number(queueSize)
                      + "  " + QByteArray::number(rate, 'f', 1) + " pages/s  " + current;
    return text.left(160);
}

// With a state file: a new crawl is kept there, or the one it holds goes on, taking the
// addresses its result file holds as written. Non-zero (the exit code) when that cannot be.
int prepareResume(const CrawlSettings &settings, const Run &run, TznWebSearch &search)
{
    const QByteArray &fileName = settings.rules.stateFile;
    if (fileName.isEmpty())
        return ExitCode::ok;
    const KeptCrawl::Check kept =
        KeptCrawl::check(QFile::decodeName(fileName), settings.searchEngine, KeptCrawl::Missing::Create);
    switch (kept.outcome) {
    case KeptCrawl::Check::Outcome::NoneKept:
        return ExitCode::ok;
    case KeptCrawl::Check::Outcome::Unusable:
        run.notices.error("cannot keep the crawl's state in " + fileName + ": " + kept.error.toUtf8());
        return ExitCode::error;
    case KeptCrawl::Check::Outcome::OtherStart:
        run.notices.error(fileName + " holds the crawl from " + kept.start + "; give that address, or another state file");
        return ExitCode::usage;
    case KeptCrawl::Check::Outcome::SameStart:
        break;
    }
    run.notices.notice("resuming the crawl kept in " + fileName);
    // The result file may be in any output format: the sink knows how to read its addresses.
    search.setAddressesWritten(run.sink.addressesWritten());
    return ExitCode::ok;
}

// What a crawl had to leave out, so that a short result is not mistaken for a small site.
void tellWhatWasLeftOut(const TznWebSearch &search, int queueSize, const Notices &notices)
{
    if (const qint64 dropped = search.DroppedLinks(); dropped > 0)
        notices.notice(QByteArray::number(dropped) + " links found no place in the queue (--queue "
                       + QByteArray::number(queueSize) + ") and were dropped");
    for (const QByteArray &host : search.HostsSetAside())
        notices.notice(notices.shown(host) + " failed " + QByteArray::number(HostSchedule::kFailuresInARow)
                       + " times in a row and was left alone for the rest of the crawl");
}

} // namespace

int runHeadlessCrawl(const CrawlRequest &request)
{
    Run run{request,
            {request.resultsToStandardOutputOnly ? QString() : ResultFile::nameFor(request.resultFile), request.format},
            Output(request.trace),
            Notices(request.chatter),
            {},
            {},
            {}};

    const EngineHosts hosts = EngineHosts::current();
    CrawlSettings settings = request.crawl;
    if (request.mode == CrawlRequest::Mode::Engine)
        settings.searchEngine = EngineTable::rootAddress(hosts).toUtf8();
    TznWebSearch search;
    settings.applyTo(search);
    if (const int refused = prepareResume(settings, run, search); refused != ExitCode::ok)
        return refused;
    wireEvents(search, hosts, run);

    if (pipe(interruptPipe) == 0) {
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
    }
    bool interrupted = false;
    QSocketNotifier onCtrlC{qintptr{interruptPipe[0]}, QSocketNotifier::Read};
    QObject::connect(&onCtrlC, &QSocketNotifier::activated, &search, [&] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = read(interruptPipe[0], &byte, 1);
        interrupted = true;
        run.outcome.interrupt();
        search.StopSearch();
    });

    // The start addresses one after another, each as soon as the crawl before it has ended.
    qsizetype nextStart = 0;
    const auto startNext = [&]() -> bool {
        if (interrupted)
            return false;
        if (request.mode == CrawlRequest::Mode::Engine) {
            if (nextStart++ > 0)
                return false;
            run.outcome.beginCrawl({});
            return search.StartPhraseSearch();
        }
        if (nextStart >= request.starts.size())
            return false;
        const QByteArray start = request.starts.at(nextStart++);
        if (request.starts.size() > 1)
            run.notices.detail("crawling " + run.notices.shown(start) + " (" + QByteArray::number(nextStart) + " of "
                               + QByteArray::number(request.starts.size()) + ")");
        search.setSearchEngine(start);
        run.outcome.beginCrawl(start);
        return search.StartSearch();
    };
    QObject::connect(&search, &TznWebSearch::ChainEnded, &search, [&] {
        run.outcome.endCrawl();
        tellWhatWasLeftOut(search, settings.limits.queues, run.notices);
        if (!startNext())
            QCoreApplication::quit();
    });

    QElapsedTimer clock;
    clock.start();
    const PrintTarget stderrTarget = targetOf(STDERR_FILENO);
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &search, [&] {
        run.notices.progress(progressLine(run.tally, settings.limits.queues, double(clock.elapsed()) / 1000, stderrTarget));
    });
    if (run.notices.terminal() && !run.notices.quiet())
        progress.start(250);

    if (startNext())
        QCoreApplication::exec();
    progress.stop();
    WorkerReaper::waitForAll(5000);
    run.out.flush();

    run.notices.summary(progressLine(run.tally, settings.limits.queues, double(clock.elapsed()) / 1000, stderrTarget));
    if (run.walk && run.walk->everyEngineRefused())
        run.outcome.everyEngineRefused();
    return run.outcome.exitCode();
}
