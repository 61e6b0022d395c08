#pragma once
// The crawl component: runs one crawl as a chain of page fetches, one at a time on one recycled
// pool thread (see ChainDriver), keeps the ring of waiting links, and reports every step to its
// owner through five events.

#include "crawl/CrawlRules.h"
#include "crawl/LinkRing.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

using TznOnEnd = std::function<void()>;
using TznOnPageReceived =
    std::function<void(const QByteArray &aUrl, const QByteArray &aHtml, const QByteArrayList &aEmails)>;
using TznOnPhraseSearchStart = std::function<void(int &aPosition, QByteArray &aSearchURL)>;
using TznOnWebLinkChange = std::function<void(const QByteArray &aLink, const QByteArray &aLevelNo, int aIndex)>;
// One fetch done, raised just before the page's OnPageReceived (a robots.txt has none): the
// address asked for, its crawl level (0 for a search engine's result page), the answer's status (0 when none came) and, when the fetch
// failed, the reason as the error log has it; empty when it did not fail.
using TznOnPageFetched =
    std::function<void(const QByteArray &aUrl, int aLevel, int aStatus, const QByteArray &aError)>;
// Whether a link of a result page is one of its results; it is queued only then. Called on the
// fetch thread, so it must hold its own copy of what it judges by.
using TznResultLinkFilter = std::function<bool(const QByteArray &aLink)>;

// A search engine's result page as the crawl fetched it, for the OnPhraseSearchStart handler
// asked next: whether the engine answered as if refusing robots is the handler's to judge.
struct TResultPage
{
    QByteArray url;      // as asked for
    QByteArray finalUrl; // the address that answered, after redirects
    long status = 0;     // of the final answer; 0 when none came
    QByteArray body;     // empty when the fetch failed
    int resultLinks = 0; // its links that count as results (see setResultLinkFilter)
};

class TznWebSearch final : public QObject
{
    Q_OBJECT

public:
    // Where the events run. WorkerThread: on the fetch thread, as they happen. OwnerThread: on
    // the thread this component lives in, one at a time, the fetch thread waiting for each; that
    // thread must run an event loop. An owner whose handlers touch its windows takes
    // OwnerThread, which also lets it be destroyed mid-crawl without waiting for the worker.
    enum class EventDelivery { WorkerThread, OwnerThread };

    explicit TznWebSearch(QObject *owner = nullptr);
    ~TznWebSearch() override;
    TznWebSearch(const TznWebSearch &) = delete;
    TznWebSearch &operator=(const TznWebSearch &) = delete;

    bool AllLink() const;
    void setAllLink(bool value);
    QByteArrayList Emails() const;
    void setEmails(const QByteArrayList &lines);
    int MaxLevel() const;
    void setMaxLevel(int value);
    int MaxQueues() const;
    void setMaxQueues(int value);
    bool JapanOnly() const;
    void setJapanOnly(bool value);
    QStringList Phrases; // kept for the engine panel; the crawl never reads it
    int WebLinkCount() const;
    QByteArray SearchEngine() const;
    void setSearchEngine(const QByteArray &address);
    bool Searching() const;
    bool Stop() const;
    void setStop(bool value);
    TWebLinks WebLink() const; // a copy of the slots as they are now
    int WriteIndex() const;
    int ReadIndex() const;
    // What the last thorough crawl had to leave out: links that found every queue slot taken,
    // and hosts set aside after failing too often in a row.
    qint64 DroppedLinks() const;
    QByteArrayList HostsSetAside() const;
    // Addresses the next thorough crawl takes as reported already: those a resumed crawl wrote
    // to its result file before it stopped.
    void setAddressesWritten(const QByteArrayList &addresses);

    TznOnEnd OnEnd;
    TznOnPageReceived OnPageReceived;
    TznOnPhraseSearchStart OnPhraseSearchStart;
    TznOnWebLinkChange OnWebLinkChange;
    TznOnPageFetched OnPageFetched;

    // Both return false, and change nothing, while a crawl is still running: two chains on one
    // ring would corrupt it.
    bool StartSearch();
    bool StartPhraseSearch();
    void StopSearch();
    // For the OnPhraseSearchStart handler: which links of the result page it answers now count
    // as results (an engine's results among its own navigation); every link when empty. Holds
    // for that page only.
    void setResultLinkFilter(TznResultLinkFilter filter);
    // The result page fetched last in this crawl; empty before the first.
    TResultPage LastResultPage() const;

    EventDelivery eventDelivery() const;
    void setEventDelivery(EventDelivery delivery);
    // Longest wait for a byte of a page before the fetch fails (30000 ms).
    void setReadTimeout(int milliseconds);
    // The rules of the next crawls: classic unless set otherwise. A crawl that runs keeps the
    // rules it started with.
    CrawlRules Rules() const;
    void setRules(const CrawlRules &rules);

    struct Shared;

Q_SIGNALS:
    // The chain has ended and Searching() is false: a new crawl can start. Raised on this
    // component's thread after the chain's last event.
    void ChainEnded();
    // A failed fetch could not be logged in `fileName` (relative names lie in the program folder),
    // for `reason`. Raised on this component's thread, once a crawl: the crawl goes on.
    void ErrorLogUnwritable(const QString &fileName, const QString &reason);

private:
    std::shared_ptr<Shared> s;
    QByteArray searchEngine_;
    int maxQueues_ = 0;
};
