#include "shell/HelpViewer.h"
#include "shell/HtmlHelp.h"
#include "shell/znHelp.h"

#include "tests/support/TempProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// Readable failure messages.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The help file the build compiled from resources/help.
const QString builtHelpFile = QStringLiteral(TRAWL_BUILT_HELP_FILE);
const QString topics[] = {QStringLiteral("Welcome.htm"), QStringLiteral("Engine.htm"),
                          QStringLiteral("Robot.htm"), QStringLiteral("IeSearch.htm")};

// The help windows on screen.
QList<HelpViewer *> helpWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<HelpViewer *> found;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *viewer = qobject_cast<HelpViewer *>(w);
        if (viewer != nullptr && viewer->isVisible())
            found.append(viewer);
    }
    return found;
}

HelpViewer *onlyHelpWindow()
{
    const QList<HelpViewer *> windows = helpWindows();
    return windows.size() == 1 ? windows.front() : nullptr;
}

QString shownPage(const HelpViewer *viewer)
{
    return HelpViewer::archivePath(viewer->browser()->source());
}

void forEachFragment(const QTextDocument *document, const std::function<void(const QTextFragment &)> &visit)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            visit(it.fragment());
    }
}

// Clicks the first link to `href` on the page shown, through the window system as a user's click
// arrives, so that a window blocked by a modal dialog would not get it.
bool clickLink(HelpViewer *viewer, const QString &href)
{
    HelpBrowser *browser = viewer->browser();
    int position = -1;
    forEachFragment(browser->document(), [&](const QTextFragment &fragment) {
        if (position < 0 && fragment.charFormat().anchorHref() == href)
            position = fragment.position() + fragment.length() / 2;
    });
    if (position < 0)
        return false;
    QTextCursor cursor(browser->document());
    cursor.setPosition(position);
    browser->setTextCursor(cursor);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(cursor).center();
    if (browser->anchorAt(point) != href)
        return false;
    QTest::mouseClick(viewer->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      browser->viewport()->mapTo(viewer, point));
    return true;
}

class Help : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HtmlHelp::bind());
        ASSERT_TRUE(QFile::exists(builtHelpFile)) << builtHelpFile.toStdString();
        main_.setWindowTitle(QStringLiteral("Norvane Trawlex"));
        help_ = new TznHelp(&main_);
        help_->setHelpFile(QStringLiteral("Trawl.chm"));
    }
    void TearDown() override { HtmlHelp::release(); }

    void installHelpFile(const QString &name = QStringLiteral("Trawl.chm")) const
    {
        ASSERT_TRUE(QFile::copy(builtHelpFile, folder_.file(name)));
    }

    TempProgramFolder folder_;
    QMainWindow main_;
    TznHelp *help_ = nullptr;
};

// Switches to another working directory for the life of a test.
class CurrentDirectory final
{
public:
    explicit CurrentDirectory(const QString &path) { QDir::setCurrent(path); }
    ~CurrentDirectory() { QDir::setCurrent(saved_); }
    CurrentDirectory(const CurrentDirectory &) = delete;
    CurrentDirectory &operator=(const CurrentDirectory &) = delete;

private:
    QString saved_ = QDir::currentPath();
};

TEST_F(Help, OpensTheFileInTheProgramFolderWhateverTheCurrentDirectory)
{
    installHelpFile();
    QTemporaryDir elsewhere;
    const CurrentDirectory cd(elsewhere.path());
    {
        QFile decoy(elsewhere.filePath(QStringLiteral("Trawl.chm")));
        ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
        decoy.write("not a help file");
    }

    main_.setGeometry(0, 0, 60, 100);
    main_.show();
    help_->ShowTopic(QStringLiteral("Engine.htm"));

    HelpViewer *viewer = onlyHelpWindow();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Engine.htm"));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Engine Search"));
    // A window of its own beside the main window, not a modal one.
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_EQ(viewer->parentWidget(), &main_);
    EXPECT_EQ(viewer->windowModality(), Qt::NonModal);
    EXPECT_FALSE(viewer->frameGeometry().intersects(main_.frameGeometry()));
    viewer->close();

    // A good help file in the current directory is never used in place of a missing one.
    ASSERT_TRUE(QFile::remove(folder_.file(QStringLiteral("Trawl.chm"))));
    ASSERT_TRUE(QFile::remove(elsewhere.filePath(QStringLiteral("Trawl.chm"))));
    ASSERT_TRUE(QFile::copy(builtHelpFile, elsewhere.filePath(QStringLiteral("Trawl.chm"))));
    help_->ShowTopic(QStringLiteral("Engine.htm"));
    EXPECT_TRUE(helpWindows().isEmpty());
}

TEST_F(Help, TheHelpFileNameAlwaysStaysInsideTheProgramFolder)
{
    const struct
    {
        const char *helpFile;
        const char *expected;
    } rows[] = {
        {"Trawl.chm", "Trawl.chm"},
        {"", ""},
        {"doc/Trawl.chm", "doc/Trawl.chm"},
        {"/usr/share/doc/Trawl.chm", "/usr/share/doc/Trawl.chm"},
        {"C:\\Help\\Trawl.chm", "C:\\Help\\Trawl.chm"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.helpFile);
        help_->setHelpFile(QString::fromUtf8(row.helpFile));
        EXPECT_EQ(help_->FullHelpFile(), folder_.path() + QString::fromUtf8(row.expected));
    }
}

TEST_F(Help, AMissingFileTopicOrCommandShowsNothing)
{
    installHelpFile();
    {
        QFile junk(folder_.file(QStringLiteral("Junk.chm")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    const struct
    {
        const char *helpFile;
        const char *topic;
        int command;
    } rows[] = {
        {"Missing.chm", "Welcome.htm", HtmlHelp::displayTopic},
        {"", "Welcome.htm", HtmlHelp::displayTopic},      // the program folder alone
        {"Junk.chm", "Welcome.htm", HtmlHelp::displayTopic},
        {"Trawl.chm", "NoSuchPage.htm", HtmlHelp::displayTopic},
        {"Trawl.chm", "", HtmlHelp::displayTopic},
        {"Trawl.chm", "images/", HtmlHelp::displayTopic}, // a folder inside the file
        {"Trawl.chm", "Welcome.htm", 1},                  // a command we do not have
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.helpFile) + " " + row.topic);
        const QString file = folder_.file(QString::fromUtf8(row.helpFile));
        EXPECT_EQ(HtmlHelp::htmlHelp(&main_, file, row.command, QString::fromUtf8(row.topic)), nullptr);
        help_->setHelpFile(QString::fromUtf8(row.helpFile));
        if (row.command == HtmlHelp::displayTopic)
            help_->ShowTopic(QString::fromUtf8(row.topic));
        EXPECT_TRUE(helpWindows().isEmpty());
    }

    // With the window open, a request for a missing page leaves it as it was.
    help_->setHelpFile(QStringLiteral("Trawl.chm"));
    help_->ShowTopic(QStringLiteral("Robot.htm"));
    help_->ShowTopic(QStringLiteral("NoSuchPage.htm"));
    HelpViewer *viewer = onlyHelpWindow();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Robot.htm"));
}

TEST_F(Help, ASecondRequestReusesTheWindowAndShowsTheNewTopic)
{
    installHelpFile();
    help_->ShowTopic(QStringLiteral("Welcome.htm"));
    QPointer<HelpViewer> first = onlyHelpWindow();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Welcome to Trawlex"));

    first->hide();
    help_->ShowTopic(QStringLiteral("Robot.htm#depth"));
    ASSERT_EQ(onlyHelpWindow(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->browser()->source().fragment(), QStringLiteral("depth"));
    EXPECT_EQ(shownPage(first), QStringLiteral("/Robot.htm"));
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Robot Search"));

    // Pages of another copy of the help file start a new history.
    installHelpFile(QStringLiteral("Copy.chm"));
    help_->setHelpFile(QStringLiteral("Copy.chm"));
    help_->ShowTopic(QStringLiteral("Robot.htm"));
    ASSERT_EQ(onlyHelpWindow(), first.data());
    EXPECT_FALSE(first->browser()->isBackwardAvailable());
    EXPECT_EQ(shownPage(first), QStringLiteral("/Robot.htm"));

    // Closed by the user, the window comes back on the next request.
    first->close();
    help_->ShowTopic(QStringLiteral("Engine.htm"));
    ASSERT_EQ(onlyHelpWindow(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(shownPage(first), QStringLiteral("/Engine.htm"));
}

TEST_F(Help, PicturesStylesAndLinksInsideTheFileWork)
{
    installHelpFile();
    main_.show();
    help_->ShowTopic(QStringLiteral("Welcome.htm"));
    HelpViewer *viewer = onlyHelpWindow();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    const QTextDocument *page = viewer->browser()->document();

    QImage logo;
    forEachFragment(page, [&](const QTextFragment &fragment) {
        if (logo.isNull() && fragment.charFormat().isImageFormat()) {
            const QVariant picture = page->resource(QTextDocument::ImageResource,
                                                    QUrl(fragment.charFormat().toImageFormat().name()));
            // Once drawn, the document keeps the decoded picture instead of the bytes.
            logo = picture.userType() == QMetaType::QByteArray ? QImage::fromData(picture.toByteArray())
                   : picture.userType() == QMetaType::QPixmap  ? picture.value<QPixmap>().toImage()
                                                               : picture.value<QImage>();
        }
    });
    EXPECT_EQ(logo.size(), QSize(40, 28));

    // The style sheet inside the file colours the headings.
    bool styledHeading = false;
    forEachFragment(page, [&](const QTextFragment &fragment) {
        if (fragment.text() == QStringLiteral("Welcome to Trawlex"))
            styledHeading = fragment.charFormat().foreground().color() == QColor(0x2a, 0x5d, 0x9f);
    });
    EXPECT_TRUE(styledHeading);

    ASSERT_TRUE(clickLink(viewer, QStringLiteral("Robot.htm")));
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Robot.htm"));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Robot Search"));
    ASSERT_TRUE(clickLink(viewer, QStringLiteral("Welcome.htm#results")));
    EXPECT_EQ(viewer->browser()->source().toString(), QStringLiteral("chm:/Welcome.htm#results"));

    const QList<QAction *> tools = viewer->findChild<QToolBar *>()->actions();
    ASSERT_EQ(tools.size(), 2);
    tools.at(0)->trigger(); // back
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Robot.htm"));
}

TEST_F(Help, EveryLinkAndPictureOfEveryPageLeadsIntoTheFile)
{
    installHelpFile();
    const std::unique_ptr<ChmArchive> archive = ChmArchive::open(folder_.file(QStringLiteral("Trawl.chm")));
    ASSERT_NE(archive, nullptr);
    for (const QString &topic : topics) {
        SCOPED_TRACE(topic.toStdString());
        help_->ShowTopic(topic);
        HelpViewer *viewer = onlyHelpWindow();
        ASSERT_NE(viewer, nullptr);
        ASSERT_EQ(shownPage(viewer), QLatin1Char('/') + topic);
        const QUrl here = viewer->browser()->source();
        int checked = 0;
        forEachFragment(viewer->browser()->document(), [&](const QTextFragment &fragment) {
            const QTextCharFormat format = fragment.charFormat();
            QString target = format.anchorHref();
            if (format.isImageFormat())
                target = format.toImageFormat().name();
            if (target.isEmpty())
                return;
            SCOPED_TRACE(target.toStdString());
            const QUrl url = here.resolved(QUrl(target));
            ASSERT_EQ(url.scheme(), QStringLiteral("chm"));
            const std::optional<QByteArray> bytes = archive->read(HelpViewer::archivePath(url));
            ASSERT_TRUE(bytes.has_value());
            if (url.hasFragment()) {
                EXPECT_TRUE(bytes->contains("name=\"" + url.fragment().toUtf8() + '"'));
            }
            ++checked;
        });
        EXPECT_GE(checked, 4);
    }
}

TEST_F(Help, TheWindowStaysUsableWhileAModalDialogIsOpen)
{
    installHelpFile();
    main_.show();
    QDialog options(&main_);
    options.setWindowModality(Qt::ApplicationModal);
    options.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &options);

    help_->ShowTopic(QStringLiteral("Robot.htm"));
    HelpViewer *viewer = onlyHelpWindow();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    ASSERT_TRUE(clickLink(viewer, QStringLiteral("Engine.htm")));
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Engine.htm"));

    // It outlasts the dialog it went with.
    options.hide();
    EXPECT_TRUE(viewer->isVisible());

    // A window opened before the dialog is handed over to it too, keeping its size.
    HtmlHelp::release();
    ASSERT_TRUE(HtmlHelp::bind());
    help_->ShowTopic(QStringLiteral("Welcome.htm"));
    viewer = onlyHelpWindow();
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(viewer->parentWidget(), &main_);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    viewer->resize(500, 400);
    const QSize size = viewer->size();
    options.show();
    help_->ShowTopic(QStringLiteral("Robot.htm"));
    ASSERT_EQ(onlyHelpWindow(), viewer);
    EXPECT_EQ(viewer->parentWidget(), &options);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    EXPECT_EQ(viewer->size(), size);
    ASSERT_TRUE(clickLink(viewer, QStringLiteral("Engine.htm")));
    EXPECT_EQ(shownPage(viewer), QStringLiteral("/Engine.htm"));
}

TEST_F(Help, ReleaseClosesTheWindowAndSilencesHelp)
{
    installHelpFile();
    help_->ShowTopic(QStringLiteral("Welcome.htm"));
    QPointer<HelpViewer> viewer = onlyHelpWindow();
    ASSERT_FALSE(viewer.isNull());

    HtmlHelp::release();
    EXPECT_TRUE(viewer.isNull());
    EXPECT_FALSE(HtmlHelp::isBound());
    help_->ShowTopic(QStringLiteral("Welcome.htm"));
    EXPECT_TRUE(helpWindows().isEmpty());
}

TEST(HelpWithoutLibrary, EveryRequestDoesNothing)
{
    const TempProgramFolder folder;
    ASSERT_TRUE(QFile::copy(builtHelpFile, folder.file(QStringLiteral("Trawl.chm"))));
    QMainWindow main;
    TznHelp help(&main);
    help.setHelpFile(QStringLiteral("Trawl.chm"));

    // A library that is not there, and one that is there but is not the help library.
    for (const char *library : {"libtrawlex-no-such-help.so.1", "libc.so.6"}) {
        SCOPED_TRACE(library);
        EXPECT_FALSE(HtmlHelp::bind(library));
        EXPECT_FALSE(HtmlHelp::isBound());
        help.ShowTopic(QStringLiteral("Welcome.htm"));
        EXPECT_EQ(HtmlHelp::htmlHelp(&main, help.FullHelpFile(), HtmlHelp::displayTopic,
                                     QStringLiteral("Welcome.htm")),
                  nullptr);
        EXPECT_EQ(ChmArchive::open(help.FullHelpFile()), nullptr);
        EXPECT_TRUE(helpWindows().isEmpty());
    }
    HtmlHelp::release();
}

} // namespace
