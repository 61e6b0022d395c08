#pragma once
// The result-page walk of an engine search: answers the crawl component's request for the next
// result page, engine by engine in list order, phrase by phrase, page by page.

#include "search/EngineSet.h"

#include <functional>

class EngineWalk final
{
public:
    struct Answer
    {
        QString url;             // empty ends the walk
        bool stopSearch = false; // no engine is included: the caller stops the crawl
        QString caption;         // the engine the address belongs to
        // Which links of the page answered count as its results; empty: all of them.
        std::function<bool(const QByteArray &link)> resultLinks;

        // The address as it goes on the wire (see EngineTable::wireForm).
        QByteArray wireUrl() const { return url.isEmpty() ? QByteArray() : EngineTable::wireForm(url, caption); }
    };

    explicit EngineWalk(EngineSet engines = EngineSet());

    // Back to the first engine and phrase, the progress at 0 of TotalResultPages.
    void start(const QList<EngineRow> &rows, int phraseCount);

    // One request. `position` enters as the component gives it and leaves as the position of
    // the page answered (-1 after a phrase's last page). The rows are read anew each time, so
    // marks and order changed during a search count from the next request on.
    Answer next(int &position, const QList<EngineRow> &rows, const QStringList &phrases, bool stopRequested);

    int EngineIndex = 0;
    int PhraseIndex = 0;
    int progressMaximum = 0;
    int progressPosition = 0;

private:
    EngineSet engines_;
};
