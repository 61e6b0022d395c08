#include "search/EngineWalk.h"

#include <utility>

EngineWalk::EngineWalk(EngineHosts hosts) : hosts_(std::move(hosts)) {}

void EngineWalk::start(const QList<EngineRow> &rows, int phraseCount)
{
    EngineIndex = 0;
    PhraseIndex = 0;
    progressMaximum = EngineTable::TotalResultPages(rows, phraseCount);
    progressPosition = 0;
}

EngineWalk::Answer EngineWalk::next(int &position, const QList<EngineRow> &rows, const QStringList &phrases,
                                    bool stopRequested)
{
    const auto excluded = [&rows](int index) { return !rows.at(index).included; };
    int page = position;

    if (EngineIndex >= rows.size()) {
        progressPosition = 0;
        return {};
    }
    if (excluded(EngineIndex)) {
        while (EngineIndex < rows.size() && excluded(EngineIndex)) {
            ++EngineIndex;
            PhraseIndex = 0;
            page = 0;
        }
        if (EngineIndex >= rows.size()) {
            progressPosition = 0;
            return {QString(), true, QString()};
        }
    }
    if (stopRequested)
        return {};

    if (progressPosition < progressMaximum)
        ++progressPosition;
    const QString caption = rows.at(EngineIndex).caption;
    const QString url = EngineTable::BuildSearchURL(hosts_, caption, page, PhraseIndex, phrases);
    if (page > EngineTable::PageCount(caption) - 2) {
        // The phrase's last page: the next request, carrying page + 1, asks for page 0.
        ++PhraseIndex;
        page = -1;
    }
    if (PhraseIndex > phrases.size() - 1) {
        ++EngineIndex;
        PhraseIndex = 0;
        while (EngineIndex < rows.size() && excluded(EngineIndex)) {
            ++EngineIndex;
            PhraseIndex = 0;
            page = -1;
        }
    }
    position = page;
    return {url, false, caption};
}
