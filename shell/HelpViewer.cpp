#include "shell/HelpViewer.h"

#include "shell/HtmlHelp.h"

#include <QAction>
#include <QDesktopServices>
#include <QKeySequence>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Pages get addresses of their own scheme, so that relative links and pictures resolve inside
// the help file and nothing is ever looked for on disk or in the current directory.
const QString scheme = QStringLiteral("chm");

bool opensOutside(const QUrl &url)
{
    const QString s = url.scheme();
    return s == QLatin1String("http") || s == QLatin1String("https") || s == QLatin1String("mailto");
}

QUrl withoutFragment(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

} // namespace

HelpBrowser::HelpBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    // Links are followed here: inside the file in place, web and mail addresses outside.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::followLink);
}

HelpBrowser::~HelpBrowser() = default;

void HelpBrowser::showPage(std::unique_ptr<ChmArchive> archive, const QUrl &page)
{
    const bool otherFile = archive_ == nullptr || archive_->fileName() != archive->fileName();
    archive_ = std::move(archive);
    // The same page of another file has the same address; only a reload shows the new one.
    if (otherFile && withoutFragment(source()) == withoutFragment(page))
        reload();
    setSource(page);
    if (otherFile)
        clearHistory();
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (archive_ == nullptr || url.scheme() != scheme)
        return {};
    std::optional<QByteArray> bytes = archive_->read(HelpViewer::archivePath(url));
    if (!bytes)
        return {};
    // Pages are decoded by the charset they name; style sheets are expected as text.
    if (type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(*bytes);
    return *bytes;
}

void HelpBrowser::followLink(const QUrl &link)
{
    const QUrl url = source().resolved(link);
    if (url.scheme() == scheme)
        setSource(url);
    else if (opensOutside(url))
        QDesktopServices::openUrl(url);
}

HelpViewer::HelpViewer(QWidget *owner)
    : QWidget(owner, Qt::Window)
    , browser_(new HelpBrowser(this))
{
    // Closing only hides the window: the next request brings the same one back, and a request
    // made before a deferred deletion ran can never reach a window on its way out.
    resize(720, 540);

    auto *tools = new QToolBar(this);
    tools->setIconSize(QSize(16, 16));
    QAction *back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction *forward =
        tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::updateTitle);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(browser_);
}

HelpViewer::~HelpViewer() = default;

QUrl HelpViewer::topicUrl(const QString &topic)
{
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    QString path = hash < 0 ? topic : topic.left(hash);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    QUrl url;
    url.setScheme(scheme);
    url.setPath(path, QUrl::DecodedMode);
    if (hash >= 0)
        url.setFragment(topic.mid(hash + 1), QUrl::DecodedMode);
    return url;
}

QString HelpViewer::archivePath(const QUrl &url)
{
    return url.path(QUrl::FullyDecoded);
}

void HelpViewer::showPage(std::unique_ptr<ChmArchive> archive, const QUrl &page)
{
    browser_->showPage(std::move(archive), page);
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void HelpViewer::setOwner(QWidget *owner)
{
    const QRect place = geometry();
    setParent(owner, windowFlags());
    setGeometry(place);
}

void HelpViewer::placeBeside(const QWidget *owner)
{
    if (owner == nullptr || !owner->isVisible() || owner->screen() == nullptr)
        return;
    const QRect screen = owner->screen()->availableGeometry();
    const QRect beside = owner->window()->frameGeometry();
    const int top = std::clamp(beside.top(), screen.top(), std::max(screen.top(), screen.bottom() - height()));
    if (beside.right() + 1 + width() <= screen.right() + 1)
        move(beside.right() + 1, top);
    else if (beside.left() - width() >= screen.left())
        move(beside.left() - width(), top);
}

void HelpViewer::updateTitle()
{
    QString title = browser_->documentTitle().simplified();
    if (title.isEmpty())
        title = archivePath(browser_->source()).mid(1);
    setWindowTitle(title);
}
