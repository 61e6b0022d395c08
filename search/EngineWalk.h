#pragma once
// The result-page walk of an engine search: answers the crawl component's request for the next
// result page, engine by engine in list order, phrase by phrase, page by page.

#include "search/EngineSet.h"

#include "crawl/znWebSearch.h"

#include <functional>
#include <optional>

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
        // Set when the page answered before showed its engine refusing automated requests (a
        // thorough walk only): that engine, and why. The walk has gone on to the next phrase.
        QString refusedEngine;
        QString refusal;

        // The address as it goes on the wire (see EngineTable::wireForm).
        QByteArray wireUrl() const { return url.isEmpty() ? QByteArray() : EngineTable::wireForm(url, caption); }
    };

    explicit EngineWalk(EngineSet engines = EngineSet());

    // Back to the first engine and phrase, the progress at 0 of TotalResultPages.
    void start(const QList<EngineRow> &rows, int phraseCount);

    // One request. `position` enters as the component gives it and leaves as the position of
    // the page answered (-1 after a phrase's last page). The rows are read anew each time, so
    // marks and order changed during a search count from the next request on.
    // `answered`, when given, is the result page the previous answer brought: a thorough walk
    // judges from it whether its engine refuses automated requests, and asks that engine
    // nothing more for that phrase.
    Answer next(int &position, const QList<EngineRow> &rows, const QStringList &phrases, bool stopRequested,
                const TResultPage *answered = nullptr);

    // Whether engines refused and none answered a result page of a thorough walk otherwise:
    // nothing came of the engines asked.
    bool everyEngineRefused() const { return refusals_ > 0 && !answeredWell_; }

    int EngineIndex = 0;
    int PhraseIndex = 0;
    int progressMaximum = 0;
    int progressPosition = 0;

private:
    // The page an answer asked for, as the walk stood then.
    struct Asked
    {
        QString caption;
        int engineIndex = 0;
        int phraseIndex = 0;
        int page = 0;
    };

    Answer walkOn(int &position, const QList<EngineRow> &rows, const QStringList &phrases, bool stopRequested);
    // Leaves the rest of the refused phrase's pages unasked; `page` becomes the next one's first.
    void skipRefusedPhrase(const Asked &refused, const QList<EngineRow> &rows, int phraseCount, int &page);

    EngineSet engines_;
    std::optional<Asked> lastAsked_;
    int refusals_ = 0;
    bool answeredWell_ = false; // a result page judged showed no refusal
};
