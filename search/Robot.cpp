#include "search/Robot.h"

#include "crawl/CrawlStateStore.h"
#include "crawl/znWebSearch.h"
#include "search/KeptCrawl.h"
#include "search/OptionDialog.h"
#include "search/ResultFile.h"
#include "search/RobotOption.h"
#include "ui_Robot.h"

#include <QFile>
#include <QFileInfo>

TfaRobot::TfaRobot(const TPanelServices &services, QWidget *parent)
    : TCrawlPanel(services, parent, {3, 4, QStringLiteral("Robot")})
    , ui_(std::make_unique<Ui::TfaRobot>())
{
    ui_->setupUi(this);
    attach(ui_->levMail, ui_->splMain, ui_->levQue, ui_->stuPage);

    connect(ui_->Button1, &QPushButton::clicked, this, &TfaRobot::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TfaRobot::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TfaRobot::Button3Click);
    connect(ui_->Button4, &QPushButton::clicked, this, &TfaRobot::Button4Click);
    connect(schMain(), &TznWebSearch::ChainEnded, this, &TfaRobot::crawlEnded);
    ui_->Button4->hide();
    buttonsPanelWidth_ = ui_->stuPage->PanelWidth(0);
}

TfaRobot::~TfaRobot() = default;

void TfaRobot::setOptionDialog(TfrmRobotOption *dialog)
{
    frmRobotOption_ = dialog;
}

TfrmRobotOption *TfaRobot::optionDialog() const
{
    return frmRobotOption_;
}

void TfaRobot::Button3Click()
{
    const QPointer<TfrmRobotOption> dialog = optionDialog();
    if (!dialog)
        return;
    runModal(dialog);
    if (!dialog || dialog->Cancelled)
        return;
    const TfrmRobotOption &options = *dialog;
    optionsSummary_ = message(QStringLiteral("InitUrl")) + QStringLiteral(": ") + options.InitUrl();
    showSummary(optionsSummary_);
    keptFileShown_ = false;
    CrawlSettings settings = options.crawlSettings();
    settings.searchEngine = options.InitUrl().toUtf8();
    settings.applyTo(*schMain());
    ResultFile = ResultFile::nameFor(options.FileName());
    offerResume();
}

void TfaRobot::Button1Click()
{
    if (trimBlanks(QString::fromUtf8(schMain()->SearchEngine())).isEmpty()) {
        showMessage(QStringLiteral("InitUrlUnspedified"));
        return;
    }
    if (startMustWait([this] { Button1Click(); }))
        return;
    startCrawl(false);
}

void TfaRobot::Button4Click()
{
    if (startMustWait([this] { Button4Click(); }))
        return;
    const QString kept = KeptCrawl::fileFor(ResultFile);
    const KeptCrawl::Check check = KeptCrawl::check(kept, schMain()->SearchEngine(), KeptCrawl::Missing::LeaveAlone);
    if (check.outcome != KeptCrawl::Check::Outcome::SameStart) {
        // The file went away or changed since Resume was offered.
        offerResume();
        return;
    }
    startCrawl(true);
}

bool TfaRobot::startCrawl(bool resume)
{
    CrawlRules rules = schMain()->Rules();
    rules.stateFile.clear();
    schMain()->setAddressesWritten({});
    if (rules.thorough) {
        const QString kept = KeptCrawl::fileFor(ResultFile);
        if (resume)
            schMain()->setAddressesWritten(ResultFile::addresses(ResultFile)); // none written twice
        else
            CrawlStateStore::remove(kept);
        rules.stateFile = QFile::encodeName(kept);
    }
    schMain()->setRules(rules);
    // Events reach the panel only through the event loop, so clearing after a successful start
    // still comes before the first page; a refused start leaves lists and texts alone.
    if (!schMain()->StartSearch())
        return false;
    runningStateFile_ = rules.stateFile;
    showCrawlStarted();
    offerResume();
    return true;
}

void TfaRobot::crawlEnded()
{
    // A start that waited for this end may already run with the same file.
    if (schMain()->Searching())
        return;
    if (!schMain()->Stop() && !runningStateFile_.isEmpty())
        CrawlStateStore::remove(QFile::decodeName(runningStateFile_));
    offerResume();
}

void TfaRobot::offerResume()
{
    const QString kept = ResultFile.isEmpty() ? QString() : KeptCrawl::fileFor(ResultFile);
    const bool offered = !kept.isEmpty() && schMain()->Rules().thorough && !schMain()->Searching()
                         && KeptCrawl::check(kept, schMain()->SearchEngine(), KeptCrawl::Missing::LeaveAlone).outcome
                                == KeptCrawl::Check::Outcome::SameStart;
    ui_->Button4->setVisible(offered);
    // The button row's panel takes in Resume while it is offered.
    ui_->stuPage->SetPanelWidth(0, offered ? ui_->Button4->geometry().right() + 8 : buttonsPanelWidth_);
    if (offered)
        showSummary(message(QStringLiteral("CrawlKept")) + QStringLiteral(": ") + QFileInfo(kept).fileName());
    else if (keptFileShown_)
        showSummary(optionsSummary_);
    keptFileShown_ = offered;
}

void TfaRobot::Button2Click()
{
    stopSearch();
}
