#pragma once
// The engine search panel: sends each search phrase to each chosen search engine, walks the
// result pages, then crawls the sites they list. Configured through the engine search options
// dialog, whose engine list it reads anew at every result-page request.

#include "search/CrawlPanel.h"
#include "search/EngineWalk.h"

#include <QPointer>

#include <memory>

class TfrmEngineOption;

namespace Ui {
class TfaEngine;
}

class TfaEngine final : public TCrawlPanel
{
    Q_OBJECT

public:
    // The panel as designed, named "fraEngine", reporting through `services`.
    explicit TfaEngine(const TPanelServices &services, QWidget *parent = nullptr);
    ~TfaEngine() override;
    TfaEngine(const TfaEngine &) = delete;
    TfaEngine &operator=(const TfaEngine &) = delete;

    // The options dialog. It is made after the main window and its panels, so it comes in
    // afterwards; until then the options button does nothing.
    void setOptionDialog(TfrmEngineOption *dialog);

    // The engine row and phrase now being walked (the walk's own).
    int EngineIndex() const { return walk_.EngineIndex; }
    int PhraseIndex() const { return walk_.PhraseIndex; }

public Q_SLOTS:
    void btnOptionClick();
    // Start: refused with a message until the options were confirmed; a start while the crawl
    // still runs changes nothing.
    void btnStartClick();
    void btnStopClick();
    // Answers the next result-page address, empty when the walk is over.
    void schMainPhraseSearchStart(int &aPosition, QByteArray &aSearchURL);

private:
    TfrmEngineOption *optionDialog() const;
    QList<EngineRow> engineRows() const;
    void showProgress();
    // An engine refusing automated requests: one line in the error log, and told under the
    // buttons with any other engine that refused in this search.
    void tellRefusal(const EngineWalk::Answer &answer);

    std::unique_ptr<Ui::TfaEngine> ui_;
    QPointer<TfrmEngineOption> frmEngineOption_;
    EngineWalk walk_;
    QStringList refusals_;
};
