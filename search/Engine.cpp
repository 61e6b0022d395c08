#include "search/Engine.h"

#include <algorithm>

#include "crawl/znWebSearch.h"
#include "search/EngineOption.h"
#include "search/EngineRefusal.h"
#include "search/OptionDialog.h"
#include "search/ResultFile.h"
#include "ui_Engine.h"

#include <QProgressBar>

TfaEngine::TfaEngine(const TPanelServices &services, QWidget *parent)
    : TCrawlPanel(services, parent, {0, 2, QStringLiteral("Engine")})
    , ui_(std::make_unique<Ui::TfaEngine>())
{
    ui_->setupUi(this);
    attach(ui_->levMail, ui_->splMain, ui_->levQue, ui_->stuPage);
    schMain()->OnPhraseSearchStart = [this](int &aPosition, QByteArray &aSearchURL) {
        schMainPhraseSearchStart(aPosition, aSearchURL);
    };

    connect(ui_->btnStart, &QPushButton::clicked, this, &TfaEngine::btnStartClick);
    connect(ui_->btnStop, &QPushButton::clicked, this, &TfaEngine::btnStopClick);
    connect(ui_->btnOption, &QPushButton::clicked, this, &TfaEngine::btnOptionClick);
}

TfaEngine::~TfaEngine() = default;

void TfaEngine::setOptionDialog(TfrmEngineOption *dialog)
{
    frmEngineOption_ = dialog;
}

TfrmEngineOption *TfaEngine::optionDialog() const
{
    return frmEngineOption_;
}

QList<EngineRow> TfaEngine::engineRows() const
{
    const TfrmEngineOption *dialog = optionDialog();
    return dialog ? dialog->EngineRows() : QList<EngineRow>();
}

void TfaEngine::btnOptionClick()
{
    const QPointer<TfrmEngineOption> dialog = optionDialog();
    if (!dialog)
        return;
    runModal(dialog);
    if (!dialog || dialog->Cancelled)
        return;
    const TfrmEngineOption &options = *dialog;
    QString summary = message(QStringLiteral("SearchPhrase")) + QStringLiteral(": ");
    for (const QString &line : options.Phrases())
        summary += line + QLatin1Char('\n');
    showSummary(summary);
    CrawlSettings settings = options.crawlSettings();
    settings.rules.engineWaitMs = options.EngineWaitMs();
    settings.searchEngine = EngineTable::rootAddress(EngineHosts::current()).toUtf8();
    settings.phrases = options.Phrases();
    settings.applyTo(*schMain());
    ResultFile = ResultFile::nameFor(options.FileName());
}

void TfaEngine::btnStartClick()
{
    if (trimBlanks(QString::fromUtf8(schMain()->SearchEngine())).isEmpty()) {
        showMessage(QStringLiteral("PhraseUnSpecified"));
        return;
    }
    // A crawl still running keeps its walk, its lists and its texts.
    if (startMustWait([this] { btnStartClick(); }))
        return;
    const EngineWalk previous = walk_;
    const TfrmEngineOption *dialog = optionDialog();
    walk_ = EngineWalk(EngineSet(EngineHosts::current(), dialog ? dialog->FileEngines() : QList<FileEngine>(),
                                 schMain()->Rules().thorough));
    walk_.start(engineRows(), int(schMain()->Phrases.size()));
    refusals_.clear();
    showProgress();
    // The first request is answered inside this call, before any page or list event.
    if (!schMain()->StartPhraseSearch()) {
        walk_ = previous;
        showProgress();
        return;
    }
    showCrawlStarted();
}

void TfaEngine::btnStopClick()
{
    stopSearch();
}

void TfaEngine::schMainPhraseSearchStart(int &aPosition, QByteArray &aSearchURL)
{
    const TResultPage answered = schMain()->LastResultPage();
    const EngineWalk::Answer answer =
        walk_.next(aPosition, engineRows(), schMain()->Phrases, schMain()->Stop(), &answered);
    if (!answer.refusedEngine.isEmpty())
        tellRefusal(answer);
    if (answer.stopSearch)
        schMain()->StopSearch();
    schMain()->setResultLinkFilter(answer.resultLinks);
    showProgress();
    aSearchURL = answer.wireUrl();
}

void TfaEngine::tellRefusal(const EngineWalk::Answer &answer)
{
    EngineRefusal::log(answer.refusedEngine, answer.refusal);
    refusals_.append(filledText(QStringLiteral("EngineRefusing"), 2,
                                QStringLiteral("Engine %1 is refusing automated requests: %2"))
                         .arg(answer.refusedEngine, answer.refusal));
    showSummary(refusals_.join(QLatin1Char('\n')));
}

void TfaEngine::showProgress()
{
    if (QProgressBar *bar = progressBar()) {
        // A range of 0..0 turns a Qt progress bar into a busy indicator; a walk with nothing to
        // ask shows an empty, still bar instead.
        bar->setMaximum(std::max(walk_.progressMaximum, 1));
        bar->setValue(walk_.progressPosition);
    }
}
