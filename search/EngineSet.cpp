#include "search/EngineSet.h"

#include <utility>

EngineSet::EngineSet(EngineHosts hosts, QList<FileEngine> fileEngines, bool thorough)
    : hosts_(std::move(hosts)), fileEngines_(std::move(fileEngines)), thorough_(thorough)
{
}

const FileEngine *EngineSet::fileEngine(const QString &caption) const
{
    for (const FileEngine &engine : fileEngines_)
        if (engine.caption == caption)
            return &engine;
    return nullptr;
}

int EngineSet::PageCount(const QString &caption) const
{
    const FileEngine *engine = fileEngine(caption);
    return engine ? engine->pages : EngineTable::PageCount(caption);
}

QString EngineSet::BuildSearchURL(const QString &caption, int page, int phraseIndex, const QStringList &phrases) const
{
    const FileEngine *engine = fileEngine(caption);
    if (!engine) {
        QString url = EngineTable::BuildSearchURL(hosts_, caption, page, phraseIndex, phrases);
        // The same template: only the scheme differs.
        if (thorough_ && url.startsWith(QLatin1String("http://")))
            url.insert(4, QLatin1Char('s'));
        return url;
    }
    if (phraseIndex < 0 || phraseIndex >= phrases.size())
        return {};
    return engine->searchUrl(page, phrases.at(phraseIndex));
}

int EngineSet::TotalResultPages(const QList<EngineRow> &rows, int phraseCount) const
{
    int total = 0;
    for (const EngineRow &row : rows)
        if (row.included)
            total += phraseCount * PageCount(row.caption);
    return total;
}
