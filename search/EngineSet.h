#pragma once
// The engines one engine search can ask: the three designed ones with their hosts, then those
// of Engines.ini, each known by its caption in the engine list.

#include "search/EngineFile.h"
#include "search/EngineTable.h"

class EngineSet final
{
public:
    // `thorough`: for a thorough crawl, which asks the designed engines by https and looks out
    // for engines refusing it.
    explicit EngineSet(EngineHosts hosts = {}, QList<FileEngine> fileEngines = {}, bool thorough = false);

    bool thorough() const { return thorough_; }

    // Result pages per phrase; 0 for a caption of no engine.
    int PageCount(const QString &caption) const;
    // The result-page address, as EngineTable::BuildSearchURL gives it for a designed engine;
    // empty for anything that cannot be built.
    QString BuildSearchURL(const QString &caption, int page, int phraseIndex, const QStringList &phrases) const;
    int TotalResultPages(const QList<EngineRow> &rows, int phraseCount) const;

    // The engine of Engines.ini by that caption; null for a designed one or none.
    const FileEngine *fileEngine(const QString &caption) const;
    const QList<FileEngine> &fileEngines() const { return fileEngines_; }

private:
    EngineHosts hosts_;
    QList<FileEngine> fileEngines_;
    bool thorough_ = false;
};
