#include "search/OptionDialog.h"
#include <QToolButton>
#include <QStyle>
#include <QRadioButton>
#include <QPushButton>
#include <QCheckBox>

#include "search/IeSearch.h"
#include "search/ResultFile.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include <climits>
#include <utility>

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

int spinValue(const QSpinBox *spin)
{
    bool isNumber = false;
    const int value = spin->cleanText().toInt(&isNumber);
    return isNumber ? value : 0;
}

void makeUnbounded(QSpinBox *spin)
{
    spin->setRange(INT_MIN, INT_MAX);
    spin->setSingleStep(1);
}

TOptionDialog::TOptionDialog(const TPanelServices &services, QWidget *parent)
    : QDialog(parent)
    , paraText_(services.paraText)
    , showHelp_(services.showHelp)
    , messageBox_(&TOptionDialog::standardMessageBox)
    , saveDialog_(&TfaIE::standardSaveDialog)
{
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

void TOptionDialog::attachCommon(const CommonControls &controls, const QString &helpTopic, CrawlLimits defaults)
{
    controls_ = controls;
    helpTopic_ = helpTopic;
    defaults_ = defaults;
    makeUnbounded(controls.intDepth);
    makeUnbounded(controls.intQue);
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
    return spinValue(controls_.intDepth);
}

int TOptionDialog::Queues() const
{
    return spinValue(controls_.intQue);
}

bool TOptionDialog::AllLink() const
{
    return controls_.rdoAll->isChecked();
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

bool TOptionDialog::event(QEvent *event)
{
    // Showing counts as becoming active too: an offscreen or unfocused window is never activated.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        FormActivate();
    return QDialog::event(event);
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
