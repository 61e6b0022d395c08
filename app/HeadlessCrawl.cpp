#include "app/HeadlessCrawl.h"

#include "app/PrintableText.h"

#include "crawl/CrawlStateStore.h"
#include "crawl/HostSchedule.h"
#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "platform/ProgramFolder.h"
#include "search/EngineRefusal.h"
#include "search/EngineWalk.h"
#include "search/ResultFile.h"

#include <QCoreApplication>
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
        _exit(130);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(interruptPipe[1], &byte, 1);
}

// What the progress line and the summary show; written by the crawl's events, read by the timer.
struct Tally
{
    std::atomic<long> pages{0};
    std::atomic<long> addresses{0};
    std::atomic<long> waiting{0};
    std::atomic<bool> resultFileFailed{false};
    bool errorLogFailed = false; // on the main thread only
    std::mutex lock; // guards current and occupied
    QByteArray current;
    std::vector<bool> occupied;
};

class Output
{
public:
    explicit Output(bool trace)
        : trace_(trace), target_(isatty(STDOUT_FILENO) != 0 ? PrintTarget::Terminal : PrintTarget::Pipe)
    {
    }

    // Text that came from a page, as it may be printed here.
    QByteArray shown(const QByteArray &fromPage) const { return printable(fromPage, target_); }

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

// Returns the engine search's result-page walk; null for a robot crawl.
std::shared_ptr<EngineWalk> wireEvents(TznWebSearch &search, const CrawlRequest &request, const EngineHosts &hosts,
                                       const QString &resultFile, Output &out, Tally &tally)
{
    search.OnWebLinkChange = [&out, &tally](const QByteArray &link, const QByteArray &level, int index) {
        out.traceLine("OnWebLinkChange\t" + out.shown(link) + '\t' + level + '\t' + QByteArray::number(index));
        const std::lock_guard guard(tally.lock);
        if (size_t(index) >= tally.occupied.size())
            tally.occupied.resize(size_t(index) + 1, false);
        if (tally.occupied[size_t(index)] != !link.isEmpty())
            tally.waiting += link.isEmpty() ? -1 : 1;
        tally.occupied[size_t(index)] = !link.isEmpty();
    };
    search.OnPageReceived = [&out, &tally, resultFile](const QByteArray &url, const QByteArray &,
                                                      const QByteArrayList &emails) {
        out.traceLine("OnPageReceived\t" + out.shown(url) + '\t' + QByteArray::number(emails.size()));
        const QString failure = ResultFile::append(resultFile, emails);
        // Told once: the addresses still reach standard output, and the exit code says the rest.
        if (!failure.isEmpty() && !tally.resultFileFailed.exchange(true))
            std::fprintf(stderr, "trawlex: cannot write the result file %s: %s\n", qPrintable(resultFile),
                         qPrintable(failure));
        for (const QByteArray &address : emails)
            out.line(out.shown(address) + '\t' + out.shown(url));
        out.flush();
        ++tally.pages;
        tally.addresses += emails.size();
        const std::lock_guard guard(tally.lock);
        tally.current = url;
    };
    QObject::connect(&search, &TznWebSearch::ErrorLogUnwritable, &search,
                     [&tally](const QString &fileName, const QString &reason) {
                         tally.errorLogFailed = true;
                         std::fprintf(stderr, "trawlex: cannot write the error log %s: %s\n",
                                      qPrintable(ProgramFolder::resolve(fileName)), qPrintable(reason));
                     });
    search.OnEnd = [&out] {
        out.traceLine("OnEnd");
        out.flush();
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    };
    if (request.mode != CrawlRequest::Mode::Engine)
        return {};
    for (const QString &problem : request.engineFile.problems)
        std::fprintf(stderr, "trawlex: %s\n", qPrintable(problem));
    auto walk = std::make_shared<EngineWalk>(EngineSet(hosts, request.engineFile.engines, request.crawl.rules.thorough));
    walk->start(request.engines, int(request.crawl.phrases.size()));
    search.OnPhraseSearchStart = [walk, &search, &out, request](int &position, QByteArray &url) {
        const TResultPage answered = search.LastResultPage();
        const EngineWalk::Answer answer =
            walk->next(position, request.engines, request.crawl.phrases, search.Stop(), &answered);
        if (!answer.refusedEngine.isEmpty()) {
            EngineRefusal::log(answer.refusedEngine, answer.refusal);
            std::fprintf(stderr, "trawlex: %s\n",
                         qPrintable(EngineRefusal::message(answer.refusedEngine, answer.refusal)));
        }
        if (answer.stopSearch)
            search.StopSearch();
        search.setResultLinkFilter(answer.resultLinks);
        url = answer.wireUrl();
        out.traceLine("OnPhraseSearchStart\t" + QByteArray::number(position) + '\t' + out.shown(url));
    };
    return walk;
}

QByteArray progressLine(Tally &tally, int queueSize, double seconds)
{
    QByteArray current;
    {
        const std::lock_guard guard(tally.lock);
        current = tally.current;
    }
    current = printable(current, isatty(STDERR_FILENO) != 0 ? PrintTarget::Terminal : PrintTarget::Pipe);
    const double rate = seconds > 0 ? double(tally.pages.load()) / seconds : 0.0;
    QByteArray text = "pages " + QByteArray::number(qlonglong(tally.pages.load())) + "  addresses "
                      + QByteArray::number(qlonglong(tally.addresses.load())) + "  queue "
                      + QByteArray::number(qlonglong(tally.waiting.load())) + "/" + QByteArray::number(queueSize)
                      + "  " + QByteArray::number(rate, 'f', 1) + " pages/s  " + current;
    return text.left(160);
}

// With a state file: a new crawl is kept there, or the one it holds goes on, taking the
// addresses its result file holds as written. Non-zero (the exit code) when that cannot be.
int prepareResume(const CrawlSettings &settings, const QString &resultFile, TznWebSearch &search)
{
    const QByteArray &fileName = settings.rules.stateFile;
    if (fileName.isEmpty())
        return 0;
    QString error;
    const std::unique_ptr<CrawlStateStore> store = CrawlStateStore::open(QFile::decodeName(fileName), &error);
    if (!store) {
        std::fprintf(stderr, "trawlex: cannot keep the crawl's state in %s: %s\n", fileName.constData(), qPrintable(error));
        return 1;
    }
    const QByteArray start = store->start();
    if (start.isEmpty())
        return 0;
    if (start != settings.searchEngine) {
        std::fprintf(stderr, "trawlex: %s holds the crawl from %s; give that address, or another state file\n",
                     fileName.constData(), start.constData());
        return 2;
    }
    std::fprintf(stderr, "trawlex: resuming the crawl kept in %s\n", fileName.constData());
    search.setAddressesWritten(ResultFile::addresses(resultFile));
    return 0;
}

} // namespace

int runHeadlessCrawl(const CrawlRequest &request)
{
    const QString resultFile = ResultFile::nameFor(request.resultFile);
    Output out(request.trace);
    Tally tally;

    const EngineHosts hosts = EngineHosts::current();
    CrawlSettings settings = request.crawl;
    if (request.mode == CrawlRequest::Mode::Engine)
        settings.searchEngine = EngineTable::rootAddress(hosts).toUtf8();
    TznWebSearch search;
    settings.applyTo(search);
    if (const int refused = prepareResume(settings, resultFile, search); refused != 0)
        return refused;
    const std::shared_ptr<EngineWalk> walk = wireEvents(search, request, hosts, resultFile, out, tally);

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
        search.StopSearch();
    });

    QElapsedTimer clock;
    clock.start();
    const bool terminal = isatty(STDERR_FILENO) != 0;
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &search, [&] {
        std::fprintf(stderr, "\r\033[K%s", progressLine(tally, settings.limits.queues, double(clock.elapsed()) / 1000).constData());
        std::fflush(stderr);
    });
    if (terminal)
        progress.start(250);

    if (request.mode == CrawlRequest::Mode::Robot)
        search.StartSearch();
    else
        search.StartPhraseSearch();
    QCoreApplication::exec();
    progress.stop();
    WorkerReaper::waitForAll(5000);
    out.flush();

    const QByteArray summary = progressLine(tally, settings.limits.queues, double(clock.elapsed()) / 1000);
    std::fprintf(stderr, terminal ? "\r\033[K%s\n" : "%s\n", summary.constData());
    // What a thorough crawl had to leave out, so that a short result is not mistaken for a small site.
    if (const qint64 dropped = search.DroppedLinks(); dropped > 0)
        std::fprintf(stderr, "trawlex: %lld links found no place in the queue (--queue %d) and were dropped\n",
                     static_cast<long long>(dropped), settings.limits.queues);
    for (const QByteArray &host : search.HostsSetAside())
        std::fprintf(stderr, "trawlex: %s failed %d times in a row and was left alone for the rest of the crawl\n",
                     printable(host, terminal ? PrintTarget::Terminal : PrintTarget::Pipe).constData(),
                     HostSchedule::kFailuresInARow);
    if (interrupted)
        return 130;
    if (tally.resultFileFailed || tally.errorLogFailed)
        return 3;
    return walk && walk->everyEngineRefused() ? 4 : 0;
}
