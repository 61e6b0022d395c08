#include "search/Robot.h"

#include "crawl/znWebSearch.h"
#include "search/OptionDialog.h"
#include "search/ResultFile.h"
#include "search/RobotOption.h"
#include "ui_Robot.h"

TfaRobot::TfaRobot(const TPanelServices &services, QWidget *parent)
    : TCrawlPanel(services, parent, {3, 4, QStringLiteral("Robot")})
    , ui_(std::make_unique<Ui::TfaRobot>())
{
    ui_->setupUi(this);
    attach(ui_->levMail, ui_->splMain, ui_->levQue, ui_->stuPage);

    connect(ui_->Button1, &QPushButton::clicked, this, &TfaRobot::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TfaRobot::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TfaRobot::Button3Click);
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
    showSummary(message(QStringLiteral("InitUrl")) + QStringLiteral(": ") + options.InitUrl());
    CrawlSettings settings = options.crawlSettings();
    settings.searchEngine = options.InitUrl().toUtf8();
    settings.applyTo(*schMain());
    ResultFile = ResultFile::nameFor(options.FileName());
}

void TfaRobot::Button1Click()
{
    if (trimBlanks(QString::fromUtf8(schMain()->SearchEngine())).isEmpty()) {
        showMessage(QStringLiteral("InitUrlUnspedified"));
        return;
    }
    if (startMustWait([this] { Button1Click(); }))
        return;
    // Events reach the panel only through the event loop, so clearing after a successful start
    // still comes before the first page; a refused start leaves lists and texts alone.
    if (!schMain()->StartSearch())
        return;
    showCrawlStarted();
}

void TfaRobot::Button2Click()
{
    stopSearch();
}
