#include "search/IeSearch.h"

#include "search/ResultFile.h"

#include "platform/ShellOpen.h"
#include "shell/WebAddresses.h"
#include "shell/znRegistry.h"
#include "ui_IeSearch.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

const QString typeValue = QStringLiteral("Type");
const QString fileValue = QStringLiteral("Filename");

// The mode a store without the value gives, and the one a value that is no number leaves.
constexpr int manualExtract = 1;
constexpr int noMode = -1;

constexpr int statusBarHeight = 39;
// Room kept between the support link and the edges it must not touch.
constexpr int linkMargin = 4;

QString section()
{
    return QString::fromLatin1(TfaIE::settingsSection);
}

QString saveFilter()
{
    return QStringLiteral(u"文本文件 (*.txt)");
}

} // namespace

TfaIE::TfaIE(const TPanelServices &services, QWidget *parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::TfaIE>())
    , reg_(new TznRegistry(this))
    , paraText_(services.paraText)
    , saveDialog_(&TfaIE::standardSaveDialog)
{
    ui_->setupUi(this);
    reg_->setObjectName(QStringLiteral("reg"));
    reg_->setZnKey(QStringLiteral("\\Norvane\\Trawlex\\"));
    reg_->setZnRootKey(RegistryKey::currentUser);

    ui_->spbTo->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));

    TznStatusBar *bar = ui_->stuPage;
    bar->setSizeGripEnabled(false);
    bar->AddPanel(225, Qt::AlignLeft);
    bar->AddPanel(50, Qt::AlignHCenter);
    bar->PlaceControl(ui_->Label1, ui_->Label1->geometry());
    linkLeft_ = ui_->Label1->x();
    placeStatusBar();

    ui_->Label1->installEventFilter(this);
    bar->installEventFilter(this);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfaIE::btnOKClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfaIE::btnCancelClick);
    connect(ui_->spbTo, &QToolButton::clicked, this, &TfaIE::spbToClick);
}

TfaIE::~TfaIE() = default;

TfaIE::SaveDialog TfaIE::setSaveDialog(SaveDialog dialog)
{
    if (!dialog)
        dialog = &TfaIE::standardSaveDialog;
    return std::exchange(saveDialog_, std::move(dialog));
}

std::optional<QString> TfaIE::standardSaveDialog(QWidget *owner, const QString &FileName, const QString &Filter)
{
    QFileDialog dlgSave(owner);
    dlgSave.setObjectName(QStringLiteral("dlgSave"));
    dlgSave.setAcceptMode(QFileDialog::AcceptSave);
    dlgSave.setFileMode(QFileDialog::AnyFile);
    // The file is only named here, never written, so picking an existing one needs no warning.
    dlgSave.setOption(QFileDialog::DontConfirmOverwrite);
    dlgSave.setNameFilter(Filter);
    if (!FileName.isEmpty())
        dlgSave.selectFile(FileName);
    if (dlgSave.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dlgSave.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

void TfaIE::LoadSettings()
{
    ui_->rdoType->setItemIndex(manualExtract);
    bool isNumber = false;
    const int type = reg_->ReadString(section(), typeValue, QString::number(manualExtract)).toInt(&isNumber);
    // A hand-edited mode that is no number ends the load: Manual Extract, and the file field
    // keeps what it shows.
    if (!isNumber)
        return;
    ui_->rdoType->setItemIndex(type < noMode ? noMode : std::min(type, manualExtract));
    ui_->edtFile->setText(reg_->ReadString(section(), fileValue, QString()));
}

void TfaIE::btnOKClick()
{
    // Mode first, then file: the order in which the capture component has always seen them
    // change.
    reg_->WriteString(section(), typeValue, QString::number(ui_->rdoType->ItemIndex()));
    reg_->WriteString(section(), fileValue, ui_->edtFile->text());
    ui_->stuPage->SetPanelText(0, message(QStringLiteral("Save")));
}

void TfaIE::btnCancelClick()
{
    LoadSettings();
    ui_->stuPage->SetPanelText(0, message(QStringLiteral("Cancel")));
}

void TfaIE::spbToClick()
{
    const std::optional<QString> chosen = saveDialog_(this, ui_->edtFile->text(), saveFilter());
    if (!chosen || chosen->isEmpty())
        return;
    ui_->edtFile->setText(ResultFile::withTextExtension(*chosen));
}

void TfaIE::Label1Click()
{
    ShellOpen::open(WebAddresses::onlineSupport);
}

void TfaIE::Label1MouseEnter()
{
    // The label's own pointer rather than the application's: the hand then never outlives the
    // label, whatever becomes of the enter and leave pair.
    ui_->Label1->setCursor(Qt::PointingHandCursor);
}

void TfaIE::Label1MouseLeave()
{
    ui_->Label1->unsetCursor();
}

bool TfaIE::eventFilter(QObject *watched, QEvent *event)
{
    // A new text or font of the label (a language change) asks its bar for a new layout.
    if (watched == ui_->stuPage && event->type() == QEvent::LayoutRequest)
        fitSupportLink();
    if (watched == ui_->Label1) {
        switch (event->type()) {
        case QEvent::Enter:
            Label1MouseEnter();
            break;
        case QEvent::Leave:
            Label1MouseLeave();
            break;
        case QEvent::MouseButtonRelease: {
            // A click is a release over the label of a press that began on it.
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && ui_->Label1->rect().contains(mouse->position().toPoint()))
                Label1Click();
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfaIE::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeStatusBar();
}

void TfaIE::placeStatusBar()
{
    // The bar keeps to the bottom edge at its designed height whatever size the main window
    // gives the panel; the controls above keep their places.
    ui_->stuPage->setGeometry(0, height() - statusBarHeight, width(), statusBarHeight);
    fitSupportLink();
}

void TfaIE::fitSupportLink()
{
    // As wide as its text and no wider, so the hand pointer and the click cover the link only.
    // A text too long for its designed place (a larger font, a longer translation) moves left,
    // but not past the start of the second panel, before the bar's right edge cuts it.
    QLabel *link = ui_->Label1;
    const TznStatusBar *bar = ui_->stuPage;
    const int text = link->sizeHint().width();
    const int firstLeft = bar->PanelRect(1).left() + linkMargin;
    const int left = std::max(firstLeft, std::min(linkLeft_, bar->width() - linkMargin - text));
    link->setGeometry(left, link->y(), std::min(text, std::max(0, bar->width() - left)), link->height());
}

QString TfaIE::message(const QString &key) const
{
    return paraText_ ? paraText_(key) : QString();
}
