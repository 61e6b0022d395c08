#include "search/EngineWalk.h"

#include <utility>

EngineWalk::EngineWalk(EngineSet engines) : engines_(std::move(engines)) {}

void EngineWalk::start(const QList<EngineRow> &rows, int phraseCount)
{
    EngineIndex = 0;
    PhraseIndex = 0;
    progressMaximum = engines_.TotalResultPages(rows, phraseCount);
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
            return {QString(), true, QString(), {}};
        }
    }
    if (stopRequested)
        return {};

    if (progressPosition < progressMaximum)
        ++progressPosition;
    const QString caption = rows.at(EngineIndex).caption;
    const QString url = engines_.BuildSearchURL(caption, page, PhraseIndex, phrases);
    if (page > engines_.PageCount(caption) - 2) {
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
    Answer answer{url, false, caption, {}};
    if (const FileEngine *engine = engines_.fileEngine(caption); engine && !engine->resultLinks.isEmpty())
        answer.resultLinks = [rule = *engine](const QByteArray &link) { return rule.isResultLink(link); };
    return answer;
}
