#include "search/RobotOption.h"

// The generated form names its parameter after the form, as the global instance is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_RobotOption.h"
#pragma GCC diagnostic pop

#include <QStyle>

TfrmRobotOption *frmRobotOption = nullptr;

TfrmRobotOption::TfrmRobotOption(const TPanelServices &services, QWidget *parent)
    : TOptionDialog(services, parent)
    , ui_(std::make_unique<Ui::TfrmRobotOption>())
{
    ui_->setupUi(this);
    attachCommon({ui_->edtFile, ui_->spbTo, ui_->intDepth, ui_->intQue, ui_->rdoAll, ui_->chkJapan, ui_->chkThorough,
                  ui_->chkRobots, ui_->labJobs, ui_->edtJobs, ui_->labPerHost, ui_->edtPerHost, ui_->labWait,
                  ui_->edtWait, ui_->btnDefault, ui_->btnCancel, ui_->btnHelp},
                 QStringLiteral("Robot.htm"), CrawlDefaults::robot, QStringLiteral("RobotOption"));

    connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmRobotOption::btnOkClick);
    connect(ui_->edtInitUrl, &QLineEdit::returnPressed, this, &TfrmRobotOption::btnOkClick);
}

TfrmRobotOption::~TfrmRobotOption() = default;

QString TfrmRobotOption::InitUrl() const
{
    return ui_->edtInitUrl->text();
}

void TfrmRobotOption::btnOkClick()
{
    Cancelled = false;
    if (!IsStartAddress(ui_->edtInitUrl->text(), ui_->chkThorough->isChecked())) {
        warn(QStringLiteral("InitUrlWarning"), ui_->edtInitUrl);
        return;
    }
    accept();
}

