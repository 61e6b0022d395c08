#include "search/OptionDialog.h"
#include <QToolButton>
#include <QStyle>
#include <QRadioButton>
#include <QPushButton>
#include <QCheckBox>

#include "search/IeSearch.h"
#include "search/ResultFile.h"
#include "search/TypedSpinBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSpinBox>
#include <QWindow>

#include <initializer_list>
#include <utility>

namespace {

// How far the pace of a thorough crawl may be turned: plenty of fetches for a fast line, few
// enough from one host to stay a polite guest, and a wait that still lets a crawl get somewhere.
constexpr int maxJobs = CrawlRules::kMaxJobs;
constexpr int maxPerHost = CrawlRules::kMaxPerHost;
constexpr double maxWaitSeconds = CrawlRules::kMaxWaitSeconds;

// A count as stored, or `fallback` unless it is a whole number within low..high: a hand-edited
// TrawlMain.ini must not start a crawl of a thousand fetches at once, nor one of none.
int storedCount(const QString &text, int low, int high, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

// Seconds are stored with '.' whatever the locale shows them with, so that the file means the
// same on every machine; "0,5" is taken for no number rather than for five.
double storedSeconds(const QString &text, double fallback)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    return ok && value >= 0.0 && value <= maxWaitSeconds ? value : fallback;
}

} // namespace

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

QRect centredOver(const QRect &ownerFrame, const QSize &clientSize, const QMargins &frame, const QRect &available)
{
    QRect outer(QPoint(), clientSize.grownBy(frame));
    outer.moveCenter(ownerFrame.center());
    // As much of the dialog as fits stays on the screen, its title bar before all.
    if (outer.right() > available.right())
        outer.moveRight(available.right());
    if (outer.left() < available.left())
        outer.moveLeft(available.left());
    if (outer.bottom() > available.bottom())
        outer.moveBottom(available.bottom());
    if (outer.top() < available.top())
        outer.moveTop(available.top());
    return outer.marginsRemoved(frame);
}

TOptionDialog::TOptionDialog(const TPanelServices &services, QWidget *parent)
    : QDialog(parent)
    , iniMain_(services.iniMain)
    , paraText_(services.paraText)
    , showHelp_(services.showHelp)
    , messageBox_(&TOptionDialog::standardMessageBox)
    , saveDialog_(&TfaIE::standardSaveDialog)
{
    // A modal dialog the panel waits for: nothing to minimize it to, nothing to maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

TOptionDialog::~TOptionDialog() = default;

void TOptionDialog::setMessageBox(MessageBox box)
{
    messageBox_ = box ? std::move(box) : MessageBox(&TOptionDialog::standardMessageBox);
}

void TOptionDialog::setSaveDialog(SaveDialog dialog)
{
    saveDialog_ = dialog ? std::move(dialog) : SaveDialog(&TfaIE::standardSaveDialog);
}

void TOptionDialog::standardMessageBox(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, owner);
    box.exec();
}

void TOptionDialog::FormActivate()
{
    Cancelled = false;
}

void TOptionDialog::btnCancelClick()
{
    Cancelled = true;
    reject();
}

void TOptionDialog::btnHelpClick()
{
    if (showHelp_)
        showHelp_(helpTopic_);
}

void TOptionDialog::spbToClick()
{
    const std::optional<QString> chosen =
        saveDialog_(this, controls_.edtFile->text(), QStringLiteral(u"文本文件 (*.txt)"));
    if (!chosen || chosen->isEmpty())
        return;
    controls_.edtFile->setText(ResultFile::withTextExtension(*chosen));
    controls_.edtFile->setCursorPosition(int(controls_.edtFile->text().size()));
}

void TOptionDialog::attachCommon(const CommonControls &controls, const QString &helpTopic, CrawlLimits defaults,
                                 const QString &section)
{
    controls_ = controls;
    section_ = section;
    controls.edtJobs->setRange(1, maxJobs);
    controls.edtJobs->setValue(CrawlRules::kDefaultJobs);
    controls.edtPerHost->setRange(1, maxPerHost);
    controls.edtPerHost->setValue(CrawlRules::kDefaultPerHost);
    // The decimals first: the range and the value are rounded to them.
    controls.edtWait->setDecimals(1);
    controls.edtWait->setRange(0.0, maxWaitSeconds);
    controls.edtWait->setSingleStep(0.5);
    controls.edtWait->setValue(CrawlRules().waitMs / 1000.0);
    // The rules are a choice of the user's that outlives the run, unlike the limits.
    if (iniMain_) {
        controls.chkThorough->setChecked(iniMain_->ReadString(section, QStringLiteral("Thorough"), QStringLiteral("0")) == QLatin1String("1"));
        controls.chkRobots->setChecked(iniMain_->ReadString(section, QStringLiteral("ObeyRobots"), QStringLiteral("1")) != QLatin1String("0"));
        controls.edtJobs->setValue(storedCount(iniMain_->ReadString(section, QStringLiteral("Jobs"), QString()), 1,
                                               maxJobs, CrawlRules::kDefaultJobs));
        controls.edtPerHost->setValue(storedCount(iniMain_->ReadString(section, QStringLiteral("PerHost"), QString()),
                                                  1, maxPerHost, CrawlRules::kDefaultPerHost));
        controls.edtWait->setValue(storedSeconds(iniMain_->ReadString(section, QStringLiteral("Wait"), QString()),
                                                 controls.edtWait->value()));
    }
    enableThoroughParts(controls.chkThorough->isChecked());
    connect(controls.chkThorough, &QCheckBox::toggled, this, [this](bool on) {
        enableThoroughParts(on);
        keepRules();
    });
    connect(controls.chkRobots, &QCheckBox::toggled, this, &TOptionDialog::keepRules);
    connect(controls.edtJobs, &QSpinBox::valueChanged, this, &TOptionDialog::keepRules);
    connect(controls.edtPerHost, &QSpinBox::valueChanged, this, &TOptionDialog::keepRules);
    connect(controls.edtWait, &QDoubleSpinBox::valueChanged, this, &TOptionDialog::keepRules);
    helpTopic_ = helpTopic;
    defaults_ = defaults;
    controls.intDepth->setValue(defaults.depth);
    controls.intQue->setValue(defaults.queues);
    controls.spbTo->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    connect(controls.btnDefault, &QPushButton::clicked, this, &TOptionDialog::btnDefaultClick);
    connect(controls.btnCancel, &QPushButton::clicked, this, &TOptionDialog::btnCancelClick);
    connect(controls.btnHelp, &QPushButton::clicked, this, &TOptionDialog::btnHelpClick);
    connect(controls.spbTo, &QToolButton::clicked, this, &TOptionDialog::spbToClick);
}

QString TOptionDialog::FileName() const
{
    return controls_.edtFile->text();
}

int TOptionDialog::Depth() const
{
    return controls_.intDepth->typedValue();
}

int TOptionDialog::Queues() const
{
    return controls_.intQue->typedValue();
}

bool TOptionDialog::AllLink() const
{
    return controls_.rdoAll->isChecked();
}

CrawlRules TOptionDialog::Rules() const
{
    CrawlRules rules;
    rules.thorough = controls_.chkThorough->isChecked();
    rules.obeyRobots = controls_.chkRobots->isChecked();
    rules.jobs = controls_.edtJobs->value();
    rules.perHost = controls_.edtPerHost->value();
    rules.waitMs = qRound(controls_.edtWait->value() * 1000.0);
    if (iniMain_)
        rules.caFile = QFile::encodeName(iniMain_->ReadString(QStringLiteral("Thorough"), QStringLiteral("CaFile"), QString()));
    return rules;
}

void TOptionDialog::keepRules() const
{
    if (!iniMain_)
        return;
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    iniMain_->WriteString(section_, QStringLiteral("Thorough"), flag(controls_.chkThorough->isChecked()));
    iniMain_->WriteString(section_, QStringLiteral("ObeyRobots"), flag(controls_.chkRobots->isChecked()));
    iniMain_->WriteString(section_, QStringLiteral("Jobs"), QString::number(controls_.edtJobs->value()));
    iniMain_->WriteString(section_, QStringLiteral("PerHost"), QString::number(controls_.edtPerHost->value()));
    // QString::number writes '.' in every locale.
    iniMain_->WriteString(section_, QStringLiteral("Wait"), QString::number(controls_.edtWait->value()));
}

void TOptionDialog::enableThoroughParts(bool on) const
{
    for (QWidget *part : std::initializer_list<QWidget *>{controls_.chkRobots, controls_.labJobs, controls_.edtJobs,
                                                          controls_.labPerHost, controls_.edtPerHost,
                                                          controls_.labWait, controls_.edtWait})
        part->setEnabled(on);
}

bool TOptionDialog::JapanOnly() const
{
    return controls_.chkJapan->isChecked();
}

CrawlSettings TOptionDialog::crawlSettings() const
{
    CrawlSettings settings;
    settings.limits = {Depth(), Queues()};
    settings.allLinks = AllLink();
    settings.japaneseOnly = JapanOnly();
    settings.rules = Rules();
    return settings;
}

void TOptionDialog::btnDefaultClick()
{
    controls_.intDepth->setValue(defaults_.depth);
    controls_.intQue->setValue(defaults_.queues);
    controls_.rdoAll->setChecked(true);
    controls_.chkJapan->setChecked(false);
}

void TOptionDialog::warn(const QString &key, QWidget *focus)
{
    messageBox_(this, paraText_ ? paraText_(key) : QString());
    focus->setFocus();
}

bool TOptionDialog::focusMovesWithin(const QEvent *focusOut) const
{
    if (focusOut->type() != QEvent::FocusOut || !isVisible())
        return false;
    switch (static_cast<const QFocusEvent *>(focusOut)->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
        break;
    default:
        return false;
    }
    // The new focus widget is already set when the old one is told it lost the focus.
    const QWidget *next = QApplication::focusWidget();
    return next != nullptr && isAncestorOf(next);
}

bool TOptionDialog::event(QEvent *event)
{
    // Showing counts as becoming active too: an offscreen or unfocused window is never activated.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        FormActivate();
    return QDialog::event(event);
}

void TOptionDialog::setVisible(bool visible)
{
    if (visible && !isVisible())
        placeOverOwner();
    QDialog::setVisible(visible);
}

// QDialog centres a dialog it has not been told to place by a frame-inclusive move computed from
// the owner's client area and the frame of whichever window it finds first; the dialog's own frame
// is unknown at its first showing and known later, so under a window manager the openings did
// not land in the same place (the first one a title bar higher). The place is worked out here
// from outer bounds alone and set as the client geometry, which window managers keep as asked.
void TOptionDialog::placeOverOwner()
{
    const QWidget *owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    const QScreen *display = owner != nullptr ? owner->screen() : nullptr;
    if (owner == nullptr || !owner->isVisible() || display == nullptr) {
        // Nothing to centre over: QDialog centres the dialog on the screen.
        setAttribute(Qt::WA_Moved, false);
        return;
    }
    const QRect ownerFrame = owner->frameGeometry();
    const QRect ownerClient = owner->geometry();
    // Before its first showing the dialog's own frame is unknown; the owner's is the best guess,
    // both being framed by the same window manager.
    const QMargins frame = !frame_.isNull() ? frame_
                                            : QMargins(ownerClient.left() - ownerFrame.left(),
                                                       ownerClient.top() - ownerFrame.top(),
                                                       ownerFrame.right() - ownerClient.right(),
                                                       ownerFrame.bottom() - ownerClient.bottom());
    setGeometry(centredOver(ownerFrame, size(), frame, display->availableGeometry()));
    // Placed: QDialog leaves it there.
    setAttribute(Qt::WA_Moved);
}

void TOptionDialog::hideEvent(QHideEvent *event)
{
    // Still the frame of the shown dialog: the window system learns of the hiding later.
    if (const QWindow *window = windowHandle(); window != nullptr && !window->frameMargins().isNull())
        frame_ = window->frameMargins();
    QDialog::hideEvent(event);
}

void TOptionDialog::keyPressEvent(QKeyEvent *event)
{
    // QDialog would close on Escape and press a default button on Enter; these dialogs do
    // neither. Enter in the initial URL field reaches OK through the field itself.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
