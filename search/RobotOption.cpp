#include "search/RobotOption.h"

// The generated form names its parameter after the form, as the global instance is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_RobotOption.h"
#pragma GCC diagnostic pop

#include <QStyle>

namespace {

constexpr int defaultDepth = 500;
constexpr int defaultQueues = 500;

} // namespace

TfrmRobotOption *frmRobotOption = nullptr;

TfrmRobotOption::TfrmRobotOption(QWidget *parent)
    : TOptionDialog(parent)
    , ui_(std::make_unique<Ui::TfrmRobotOption>())
{
    ui_->setupUi(this);
    makeUnbounded(ui_->intDepth);
    makeUnbounded(ui_->intQue);
    ui_->intDepth->setValue(defaultDepth);
    ui_->intQue->setValue(defaultQueues);
    ui_->spbTo->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    attachCommon(ui_->edtFile, QStringLiteral("Robot.htm"));

    connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmRobotOption::btnOkClick);
    connect(ui_->edtInitUrl, &QLineEdit::returnPressed, this, &TfrmRobotOption::btnOkClick);
    connect(ui_->btnDefault, &QPushButton::clicked, this, &TfrmRobotOption::btnDefaultClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmRobotOption::btnCancelClick);
    connect(ui_->btnHelp, &QPushButton::clicked, this, &TfrmRobotOption::btnHelpClick);
    connect(ui_->spbTo, &QToolButton::clicked, this, &TfrmRobotOption::spbToClick);
}

TfrmRobotOption::~TfrmRobotOption() = default;

QString TfrmRobotOption::InitUrl() const
{
    return ui_->edtInitUrl->text();
}

QString TfrmRobotOption::FileName() const
{
    return ui_->edtFile->text();
}

int TfrmRobotOption::Depth() const
{
    return spinValue(ui_->intDepth);
}

int TfrmRobotOption::Queues() const
{
    return spinValue(ui_->intQue);
}

bool TfrmRobotOption::AllLink() const
{
    return ui_->rdoAll->isChecked();
}

bool TfrmRobotOption::JapanOnly() const
{
    return ui_->chkJapan->isChecked();
}

void TfrmRobotOption::btnOkClick()
{
    Cancelled = false;
    // Case-sensitive on purpose: the crawl fetches plain http only, and the fetcher takes the
    // scheme as written.
    if (!ui_->edtInitUrl->text().startsWith(QLatin1StringView("http://"))) {
        warn(QStringLiteral("InitUrlWarning"), ui_->edtInitUrl);
        return;
    }
    accept();
}

void TfrmRobotOption::btnDefaultClick()
{
    ui_->intDepth->setValue(defaultDepth);
    ui_->intQue->setValue(defaultQueues);
    ui_->rdoAll->setChecked(true);
    ui_->chkJapan->setChecked(false);
}
