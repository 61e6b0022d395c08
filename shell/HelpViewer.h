#pragma once
// Our own help window: shows the pages and pictures of one compiled help file and follows the
// links between them. It stays open beside the program and never blocks it.

#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include <memory>

class ChmArchive;

// The page view. Every page, picture and style sheet it needs comes out of the help file, so
// the links and pictures inside the file work as they do in the help viewer they were made for.
class HelpBrowser final : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget *parent = nullptr);
    ~HelpBrowser() override;

    // Shows `page` of `archive`. Another help file starts a new history.
    void showPage(std::unique_ptr<ChmArchive> archive, const QUrl &page);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    void followLink(const QUrl &link);

    std::unique_ptr<ChmArchive> archive_;
};

class HelpViewer final : public QWidget
{
    Q_OBJECT

public:
    // A window of its own that stays with `owner`'s window and goes away with it.
    explicit HelpViewer(QWidget *owner = nullptr);
    ~HelpViewer() override;

    // The address of a topic page such as "Engine.htm" or "Robot.htm#depth" inside the help file.
    static QUrl topicUrl(const QString &topic);
    // The path inside the help file that a page or picture address names.
    static QString archivePath(const QUrl &url);

    // Shows `page` of `archive`, which holds it, and brings the window up and to the front.
    void showPage(std::unique_ptr<ChmArchive> archive, const QUrl &page);

    // Hands the window to another owner, keeping its place and size.
    void setOwner(QWidget *owner);

    // Puts the window next to `owner`'s window where the screen has room, so that both can be
    // seen at once; otherwise leaves the place to the window manager.
    void placeBeside(const QWidget *owner);

    HelpBrowser *browser() const { return browser_; }

private:
    void updateTitle();

    HelpBrowser *browser_;
};
