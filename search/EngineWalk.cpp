#include "search/EngineWalk.h"

#include "search/EngineRefusal.h"

#include <algorithm>
#include <utility>

EngineWalk::EngineWalk(EngineSet engines) : engines_(std::move(engines)) {}

void EngineWalk::start(const QList<EngineRow> &rows, int phraseCount)
{
    lastAsked_.reset();
    refusals_ = 0;
    answeredWell_ = false;
    EngineIndex = 0;
    PhraseIndex = 0;
    progressMaximum = engines_.TotalResultPages(rows, phraseCount);
    progressPosition = 0;
}

EngineWalk::Answer EngineWalk::next(int &position, const QList<EngineRow> &rows, const QStringList &phrases,
                                    bool stopRequested, const TResultPage *answered)
{
    QString refusedEngine;
    QString refusal;
    if (const std::optional<Asked> was = std::exchange(lastAsked_, std::nullopt); was && answered && engines_.thorough()) {
        // Results are due on a phrase's first page where the engine says what results look like.
        const FileEngine *own = engines_.fileEngine(was->caption);
        refusal = EngineRefusal::reason(*answered, was->page == 0 && own && !own->resultLinks.isEmpty());
        answeredWell_ = answeredWell_ || refusal.isEmpty();
        if (!refusal.isEmpty()) {
            refusedEngine = was->caption;
            ++refusals_;
            skipRefusedPhrase(*was, rows, int(phrases.size()), position);
        }
    }
    Answer answer = walkOn(position, rows, phrases, stopRequested);
    answer.refusedEngine = refusedEngine;
    answer.refusal = refusal;
    return answer;
}

void EngineWalk::skipRefusedPhrase(const Asked &refused, const QList<EngineRow> &rows, int phraseCount, int &page)
{
    // Gone on already when the refused page was the phrase's last, or the list has changed.
    if (EngineIndex != refused.engineIndex || PhraseIndex != refused.phraseIndex || EngineIndex >= rows.size()
        || rows.at(EngineIndex).caption != refused.caption)
        return;
    // The pages left unasked count as done, so that the progress still ends at its maximum.
    progressPosition = std::min(progressMaximum, progressPosition + engines_.PageCount(refused.caption) - refused.page - 1);
    page = 0;
    if (++PhraseIndex < phraseCount)
        return;
    PhraseIndex = 0;
    ++EngineIndex;
    while (EngineIndex < rows.size() && !rows.at(EngineIndex).included)
        ++EngineIndex;
}

EngineWalk::Answer EngineWalk::walkOn(int &position, const QList<EngineRow> &rows, const QStringList &phrases,
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
            return {QString(), true, QString(), {}, {}, {}};
        }
    }
    if (stopRequested)
        return {};

    if (progressPosition < progressMaximum)
        ++progressPosition;
    const QString caption = rows.at(EngineIndex).caption;
    const QString url = engines_.BuildSearchURL(caption, page, PhraseIndex, phrases);
    if (!url.isEmpty())
        lastAsked_ = Asked{caption, EngineIndex, PhraseIndex, page};
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
    Answer answer{url, false, caption, {}, {}, {}};
    if (const FileEngine *engine = engines_.fileEngine(caption); engine && !engine->resultLinks.isEmpty())
        answer.resultLinks = [rule = *engine](const QByteArray &link) { return rule.isResultLink(link); };
    return answer;
}
