#include "search/EngineOption.h"

// The generated form names its parameter after the form, as the global instance is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_EngineOption.h"
#pragma GCC diagnostic pop

#include "platform/RegistryStore.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

constexpr int imageRole = Qt::UserRole + 1;

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

// Whether the user sorted the engine list in an earlier run. Until then the engines keep their
// designed order, which is the order they are asked in; the list's own load would sort them.
bool userSortStored()
{
    const std::optional<RegistryKey> key =
        RegistryKey::open(RegistryKey::currentUser, QString(listKey + QStringLiteral("\\Sort")), false);
    if (!key)
        return false;
    bool isNumber = false;
    const int column = key->readString(QStringLiteral("SortCol")).value_or(QString()).toInt(&isNumber);
    return isNumber && column >= 0;
}

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
    attachCommon({ui_->edtFile, ui_->spbTo, ui_->intDepth, ui_->intQue, ui_->rdoAll, ui_->chkJapan, ui_->btnDefault,
                  ui_->btnCancel, ui_->btnHelp},
                 QStringLiteral("Engine.htm"), CrawlDefaults::engine);

    TdfsEnhListView *list = ui_->levEngine;
    list->setIconSize(QSize(16, 16));
    list->setColumnWidth(0, 270);
    list->setAutoColumnSort(TdfsEnhListView::acsSortToggle);
    list->setShowSortArrows(true);
    list->SaveSettings().AutoSave = true;
    list->SaveSettings().RegistryKey = listKey;
    for (const EngineRow &engine : EngineTable::initialRows())
        setImageIndex(list->AddItem({engine.caption}), engine.included ? includedImage : noImage);
    const bool sorted = userSortStored();
    list->SaveSettings().SaveCurrentSort = sorted;
    list->Loaded();
    list->SaveSettings().SaveCurrentSort = true;
    if (!sorted)
        list->SetSort(-1, true);

    ui_->mmPhrase->installEventFilter(this);
    connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmEngineOption::btnOkClick);
    connect(ui_->btnAll, &QPushButton::clicked, this, &TfrmEngineOption::btnAllClick);
    connect(ui_->btnEAll, &QPushButton::clicked, this, &TfrmEngineOption::btnEAllClick);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &TfrmEngineOption::levEngineDblClick);
}

TfrmEngineOption::~TfrmEngineOption() = default;

int TfrmEngineOption::ImageIndex(const QTreeWidgetItem *row)
{
    return row->data(0, imageRole).toInt();
}

void TfrmEngineOption::setImageIndex(QTreeWidgetItem *row, int index)
{
    row->setData(0, imageRole, index);
    row->setIcon(0, index == includedImage ? includedIcon() : QIcon());
}

QList<EngineRow> TfrmEngineOption::EngineRows() const
{
    QList<EngineRow> rows;
    const TdfsEnhListView *list = ui_->levEngine;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        rows.append({row->text(0), ImageIndex(row) == includedImage});
    }
    return rows;
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
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        setImageIndex(list->topLevelItem(i), index);
}

void TfrmEngineOption::levEngineDblClick()
{
    QTreeWidgetItem *row = ui_->levEngine->currentItem();
    if (!row || !row->isSelected())
        return;
    setImageIndex(row, ImageIndex(row) == includedImage ? noImage : includedImage);
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
