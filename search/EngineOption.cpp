#include "search/EngineOption.h"

// The generated form names its parameter after the form, as the global instance is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_EngineOption.h"
#pragma GCC diagnostic pop


#include "crawl/ThrWebSearch.h"
#include "platform/AppendLine.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

// Image 0 of the list: a small green check mark.
QIcon includedIcon()
{
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
    return QIcon(image);
}

const QString listKey = QStringLiteral("EngineOption");

// A memo's lines: a final line break ends the last line rather than opening an empty one.
QStringList linesOf(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TfrmEngineOption *frmEngineOption = nullptr;

TfrmEngineOption::TfrmEngineOption(const TPanelServices &services, QWidget *parent)
    : TOptionDialog(services, parent)
    , ui_(std::make_unique<Ui::TfrmEngineOption>())
{
    ui_->setupUi(this);
    ui_->chkJapan->setVisible(false);
    attachCommon({ui_->edtFile, ui_->spbTo, ui_->intDepth, ui_->intQue, ui_->rdoAll, ui_->chkJapan, ui_->chkThorough,
                  ui_->chkRobots, ui_->labJobs, ui_->edtJobs, ui_->labPerHost, ui_->edtPerHost, ui_->labWait,
                  ui_->edtWait, ui_->btnDefault, ui_->btnCancel, ui_->btnHelp},
                 QStringLiteral("Engine.htm"), CrawlDefaults::engine, QStringLiteral("EngineOption"));

    TdfsEnhListView *list = ui_->levEngine;
    list->setIconSize(QSize(16, 16));
    list->setSmallImages({includedIcon()});
    list->setColumnWidth(0, 270);
    list->setAutoColumnSort(TdfsEnhListView::acsSortToggle);
    list->setShowSortArrows(true);
    list->SaveSettings().AutoSave = true;
    list->SaveSettings().RegistryKey = listKey;
    for (const EngineRow &engine : EngineTable::initialRows())
        list->SetImageIndex(list->AddItem({engine.caption}), engine.included ? includedImage : noImage);
    // A user's engines are asked only once the user has marked them: their terms may forbid it.
    const EngineFile file = EngineFile::current();
    for (const QString &problem : file.problems)
        AppendLine(QString::fromLatin1(TThrWebSearch::kErrorLog), problem.toUtf8());
    fileEngines_ = file.engines;
    for (const FileEngine &engine : fileEngines_)
        list->SetImageIndex(list->AddItem({engine.caption}), noImage);
    list->Loaded();

    attachEngineWait(services.iniMain);

    ui_->mmPhrase->installEventFilter(this);
    connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmEngineOption::btnOkClick);
    connect(ui_->btnAll, &QPushButton::clicked, this, &TfrmEngineOption::btnAllClick);
    connect(ui_->btnEAll, &QPushButton::clicked, this, &TfrmEngineOption::btnEAllClick);
    connect(list, &TdfsEnhListView::RowDoubleClicked, this, &TfrmEngineOption::levEngineDblClick);
}

TfrmEngineOption::~TfrmEngineOption() = default;

QList<EngineRow> TfrmEngineOption::EngineRows() const
{
    QList<EngineRow> rows;
    const TdfsEnhListView *list = ui_->levEngine;
    for (int row = 0; row < list->RowCount(); ++row)
        rows.append({list->Text(row, 0), list->ImageIndex(row) == includedImage});
    return rows;
}

void TfrmEngineOption::attachEngineWait(TznIniSetting *ini)
{
    iniMain_ = ini;
    QDoubleSpinBox *wait = ui_->edtEngineWait;
    wait->setDecimals(1);
    wait->setRange(0.0, CrawlRules::kMaxWaitSeconds);
    wait->setSingleStep(0.5);
    wait->setValue(CrawlRules::kDefaultEngineWaitSeconds);
    const QString section = QStringLiteral("EngineOption");
    const QString ident = QStringLiteral("EngineWait");
    if (iniMain_) {
        // Written with '.' in every locale; a hand-edited value out of range or no number is
        // taken for the default, as the other thorough settings are.
        bool ok = false;
        const double stored = QLocale::c().toDouble(iniMain_->ReadString(section, ident, QString()).trimmed(), &ok);
        if (ok && stored >= 0.0 && stored <= CrawlRules::kMaxWaitSeconds)
            wait->setValue(stored);
    }
    const auto enable = [this](bool thorough) {
        ui_->labEngineWait->setEnabled(thorough);
        ui_->edtEngineWait->setEnabled(thorough);
    };
    enable(ui_->chkThorough->isChecked());
    connect(ui_->chkThorough, &QCheckBox::toggled, this, enable);
    connect(wait, &QDoubleSpinBox::valueChanged, this, [this, section, ident](double seconds) {
        if (iniMain_)
            iniMain_->WriteString(section, ident, QString::number(seconds));
    });
}

int TfrmEngineOption::EngineWaitMs() const
{
    return qRound(ui_->edtEngineWait->value() * 1000.0);
}

QStringList TfrmEngineOption::Phrases() const
{
    return linesOf(PhraseText());
}

QString TfrmEngineOption::PhraseText() const
{
    return ui_->mmPhrase->toPlainText();
}






void TfrmEngineOption::btnOkClick()
{
    Cancelled = false;
    if (trimBlanks(PhraseText()).isEmpty()) {
        warn(QStringLiteral("PhraseUnSpecified"), ui_->mmPhrase);
        return;
    }
    accept();
}


void TfrmEngineOption::btnAllClick()
{
    markAll(includedImage);
}

void TfrmEngineOption::btnEAllClick()
{
    markAll(noImage);
}

void TfrmEngineOption::markAll(int index)
{
    TdfsEnhListView *list = ui_->levEngine;
    for (int row = 0; row < list->RowCount(); ++row)
        list->SetImageIndex(row, index);
}

void TfrmEngineOption::levEngineDblClick()
{
    TdfsEnhListView *list = ui_->levEngine;
    const int row = list->CurrentRow();
    if (!list->IsRowSelected(row))
        return;
    list->SetImageIndex(row, list->ImageIndex(row) == includedImage ? noImage : includedImage);
}

void TfrmEngineOption::mmPhraseExit()
{
    if (!trimBlanks(ui_->edtFile->text()).isEmpty())
        return;
    // A blank first line proposes nothing rather than a bare ".txt".
    const QString first = trimBlanks(Phrases().value(0));
    if (!first.isEmpty())
        ui_->edtFile->setText(first + QStringLiteral(".txt"));
}

bool TfrmEngineOption::eventFilter(QObject *watched, QEvent *event)
{
    // Only a move to another field proposes a name: closing the dialog or switching windows
    // leaves the file name alone.
    if (watched == ui_->mmPhrase && focusMovesWithin(event))
        mmPhraseExit();
    return TOptionDialog::eventFilter(watched, event);
}
