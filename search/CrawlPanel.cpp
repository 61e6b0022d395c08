#include "search/CrawlPanel.h"

#include "crawl/HostSchedule.h"
#include "crawl/znWebSearch.h"
#include "platform/CodePage.h"
#include "platform/ProgramFolder.h"
#include "search/OptionDialog.h"
#include "search/ResultFile.h"
#include "shell/EnhListView.h"
#include "shell/znIniSetting.h"
#include "shell/znStatusBar.h"

#include <QApplication>
#include <QDialog>
#include <QProgressBar>
#include <QResizeEvent>
#include <QSplitter>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

constexpr int pageBarHeight = 39;

// Each list keeps its columns under a key of its own: with the store's shared root key the two
// lists of both panels would overwrite each other's widths.
void designList(TdfsEnhListView *list, int firstWidth, int secondWidth, const QString &registryKey)
{
    list->setColumnWidth(0, firstWidth);
    list->setColumnWidth(1, secondWidth);
    list->setSelectionBehavior(QAbstractItemView::SelectItems);
    list->SaveSettings().AutoSave = true;
    list->SaveSettings().RegistryKey = registryKey;
    list->Loaded();
}

} // namespace

TCrawlPanel::TCrawlPanel(const TPanelServices &services, QWidget *parent, Layout layout)
    : QWidget(parent)
    , layout_(std::move(layout))
    , paraText_(services.paraText)
    , textEncoding_(services.textEncoding)
    , iniMain_(services.iniMain)
    , stuMain_(services.stuMain)
    , prgMain_(services.prgMain)
    , messageBox_(&TOptionDialog::standardMessageBox)
    , modalRunner_([](QDialog *dialog) { dialog->exec(); })
    , schMain_(new TznWebSearch(this))
{
    schMain_->setObjectName(QStringLiteral("schMain"));
    // Handlers touch the lists and the status bar, so they run on the interface thread, one at
    // a time, the worker waiting for each; closing the window mid-crawl then waits for nothing.
    schMain_->setEventDelivery(TznWebSearch::EventDelivery::OwnerThread);
    schMain_->OnPageReceived = [this](const QByteArray &aUrl, const QByteArray &aHtml, const QByteArrayList &aEmails) {
        schMainPageReceived(aUrl, aHtml, aEmails);
    };
    schMain_->OnWebLinkChange = [this](const QByteArray &aLink, const QByteArray &aLevelNo, int aIndex) {
        schMainWebLinkChange(aLink, aLevelNo, aIndex);
    };
    schMain_->OnEnd = [this] { schMainEnd(); };
    connect(schMain_, &TznWebSearch::ErrorLogUnwritable, this, [this](const QString &fileName, const QString &reason) {
        tellUnwritable(errorLogFailureTold_, fileName, reason);
    });
    connect(schMain_, &TznWebSearch::ChainEnded, this, [this] {
        if (std::function<void()> start = std::exchange(startAfterStop_, {}))
            start();
    });
    connect(qApp, &QApplication::focusChanged, this, &TCrawlPanel::focusMoved);
}

TCrawlPanel::~TCrawlPanel()
{
    // The component goes first, so that no event of a running crawl finds half a panel.
    delete schMain_;
}

void TCrawlPanel::setMessageBox(MessageBox box)
{
    messageBox_ = box ? std::move(box) : MessageBox(&TOptionDialog::standardMessageBox);
}

void TCrawlPanel::setModalRunner(ModalRunner runner)
{
    modalRunner_ = runner ? std::move(runner) : ModalRunner([](QDialog *dialog) { dialog->exec(); });
}

void TCrawlPanel::attach(TdfsEnhListView *mail, QSplitter *splitter, TdfsEnhListView *queue, TznStatusBar *page)
{
    levMail_ = mail;
    splMain_ = splitter;
    levQue_ = queue;
    stuPage_ = page;
    designList(levMail_, 150, 220, layout_.splitSection + QStringLiteral("Mail"));
    levMail_->setCopyMenu(1); // the source column: copy it, or open the page it names
    designList(levQue_, 135, 60, layout_.splitSection + QStringLiteral("Queue"));
    // The address list is what the user came for: it takes the room a growing window gives, the
    // queue keeps its width.
    splMain_->setStretchFactor(0, 1);
    splMain_->setStretchFactor(1, 0);
    // The platform's gradient caption colour, which the designed splitter takes.
    splMain_->setStyleSheet(QStringLiteral("QSplitter::handle { background: #b9d1ea; }"));
    connect(splMain_, &QSplitter::splitterMoved, this, [this] {
        pendingMailWidth_ = -1;
        splMainMoved();
    });

    stuPage_->setSizeGripEnabled(false);
    stuPage_->AddPanel(225, Qt::AlignLeft);
    stuPage_->AddPanel(50, Qt::AlignHCenter);
    for (QWidget *control : stuPage_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        stuPage_->PlaceControl(control, control->geometry());
    // A label rather than panel text, so that the notice is translated with the panel.
    notice_ = stuPage_->findChild<QWidget *>(QStringLiteral("Label1"), Qt::FindDirectChildrenOnly);
    placeParts();
}

int TCrawlPanel::MailListWidth() const
{
    return splMain_->sizes().value(0);
}

void TCrawlPanel::SetMailListWidth(int width)
{
    pendingMailWidth_ = std::max(0, width);
    placeParts();
}

QString TCrawlPanel::message(const QString &key) const
{
    return paraText_ ? paraText_(key) : QString();
}

// Pages and their addresses are bytes in whatever character set; they are shown as the language's
// 8-bit texts are, in its code page.
QString TCrawlPanel::shown(const QByteArray &bytes) const
{
    const QByteArray encoding = textEncoding_ ? textEncoding_() : QByteArray();
    return CodePage::decodeShown(bytes, encoding.isEmpty() ? CodePage::encodingOf(CodePage::ansiCharset) : encoding);
}

QProgressBar *TCrawlPanel::progressBar() const
{
    return prgMain_;
}

TznStatusBar *TCrawlPanel::statusBar() const
{
    return stuMain_;
}

TznIniSetting *TCrawlPanel::settings() const
{
    return iniMain_;
}

void TCrawlPanel::showMessage(const QString &key)
{
    messageBox_(this, message(key));
}

void TCrawlPanel::runModal(QDialog *dialog)
{
    modalRunner_(dialog);
}

void TCrawlPanel::showState(const QString &key)
{
    if (TznStatusBar *bar = statusBar())
        bar->SetPanelText(layout_.statePanel, message(key));
}

void TCrawlPanel::showCrawlStarted()
{
    levMail_->Clear();
    levQue_->Clear();
    resultFileFailureTold_ = false;
    errorLogFailureTold_ = false;
    showState(QStringLiteral("Searching"));
}

void TCrawlPanel::tellUnwritable(bool &told, const QString &fileName, const QString &reason)
{
    if (std::exchange(told, true))
        return;
    const QString text =
        message(QStringLiteral("FileUnwritable")) + QStringLiteral(": ") + ProgramFolder::resolve(fileName)
        + QStringLiteral(" (") + reason + QLatin1Char(')');
    showSummary(text);
    // After the handler has returned: a box shown inside it would hold the crawl until closed.
    QMetaObject::invokeMethod(this, [this, text] { messageBox_(this, text); }, Qt::QueuedConnection);
}

void TCrawlPanel::showSummary(const QString &text)
{
    if (notice_)
        notice_->hide();
    stuPage_->SetPanelText(1, text);
}

void TCrawlPanel::schMainPageReceived(const QByteArray &aUrl, const QByteArray &, const QByteArrayList &aEmails)
{
    // The file takes the page's order; each row goes on top, so the list shows it reversed.
    if (const QString failure = ResultFile::append(ResultFile, aEmails); !failure.isEmpty())
        tellUnwritable(resultFileFailureTold_, ResultFile, failure);
    const QString source = shown(aUrl);
    levMail_->BeginUpdate();
    for (const QByteArray &address : aEmails)
        levMail_->InsertItem(0, {shown(address), source});
    levMail_->EndUpdate();
    if (TznStatusBar *bar = statusBar())
        bar->SetPanelText(layout_.countPanel,
                               message(QStringLiteral("EmailsCount")) + QLatin1Char(':')
                                   + QString::number(levMail_->RowCount()));
}

void TCrawlPanel::schMainWebLinkChange(const QByteArray &aLink, const QByteArray &aLevelNo, int aIndex)
{
    if (aIndex < 0)
        return;
    // Slots are filled from 0 upward, so a new slot is at most one past the last row; the loop
    // only guards the mirror against a gap.
    while (aIndex >= levQue_->RowCount())
        levQue_->AddItem({QString(), QString()});
    levQue_->SetText(aIndex, 0, shown(aLink));
    levQue_->SetText(aIndex, 1, shown(aLevelNo));
}

bool TCrawlPanel::startMustWait(std::function<void()> start)
{
    if (!schMain_->Searching())
        return false;
    if (schMain_->Stop())
        startAfterStop_ = std::move(start);
    return true;
}

void TCrawlPanel::stopSearch()
{
    startAfterStop_ = {};
    schMain_->StopSearch();
    showState(QStringLiteral("Stopping"));
}

void TCrawlPanel::schMainEnd()
{
    if (TznStatusBar *bar = statusBar())
        bar->SetPanelText(layout_.statePanel, endText());
}

// A crawl that had to drop links or give up on a host found less than the site holds; said at
// the end so that a short result is not taken for a small site. The crawl has logged each host.
QString TCrawlPanel::endText() const
{
    QString text = message(QStringLiteral("Finished"));
    if (const qint64 dropped = schMain_->DroppedLinks(); dropped > 0) {
        const QString form =
            dropped == 1
                ? filledText(QStringLiteral("LinkLeftOut"), 2, QStringLiteral("%1. %2 link did not fit in the queue"))
                : filledText(QStringLiteral("LinksLeftOut"), 2, QStringLiteral("%1. %2 links did not fit in the queue"));
        text = form.arg(text, QString::number(dropped));
    }
    if (const QByteArrayList hosts = schMain_->HostsSetAside(); !hosts.isEmpty()) {
        QStringList names;
        for (const QByteArray &host : hosts)
            names.append(shown(host));
        const QString form =
            hosts.size() == 1
                ? filledText(QStringLiteral("HostLeftOut"), 4,
                             QStringLiteral("%1. %2 host left alone after failing %3 times in a row: %4"))
                : filledText(QStringLiteral("HostsLeftOut"), 4,
                             QStringLiteral("%1. %2 hosts left alone after failing %3 times in a row: %4"));
        // One pass over the form: a '%' in a host name or in the text before stays as it is.
        text = form.arg(text, QString::number(hosts.size()), QString::number(HostSchedule::kFailuresInARow),
                        names.join(QStringLiteral(", ")));
    }
    return text;
}

QString TCrawlPanel::filledText(const QString &key, int placeholders, const QString &english) const
{
    const QString text = message(key);
    for (int number = 1; number <= placeholders; ++number) {
        if (!text.contains(QLatin1Char('%') + QString::number(number)))
            return english;
    }
    return text;
}

void TCrawlPanel::splMainMoved()
{
    if (TznIniSetting *ini = settings())
        ini->WriteString(layout_.splitSection, QStringLiteral("Split"), QString::number(MailListWidth()));
}

void TCrawlPanel::FrameEnter()
{
    for (TdfsEnhListView *list : {levMail_, levQue_})
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void TCrawlPanel::focusMoved(QWidget *old, QWidget *now)
{
    const bool wasInside = old && (old == this || isAncestorOf(old));
    const bool isInside = now && (now == this || isAncestorOf(now));
    if (isInside && !wasInside)
        FrameEnter();
}

void TCrawlPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeParts();
}

void TCrawlPanel::placeParts()
{
    if (!splMain_)
        return;
    const int listsHeight = std::max(0, height() - pageBarHeight);
    splMain_->setGeometry(0, 0, width(), listsHeight);
    stuPage_->setGeometry(0, listsHeight, width(), pageBarHeight);
    if (notice_)
        notice_->setGeometry(stuPage_->PanelRect(1));
    if (pendingMailWidth_ >= 0) {
        const int rest = std::max(0, splMain_->width() - splMain_->handleWidth() - pendingMailWidth_);
        splMain_->setSizes({pendingMailWidth_, rest});
        // Until the panel is first on screen the window may still take its own size; from then
        // on the splitter shares out the room.
        if (isVisible())
            pendingMailWidth_ = -1;
    }
}
