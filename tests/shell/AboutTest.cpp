#include "shell/About.h"

#include "platform/ShellOpen.h"
#include "shell/WebAddresses.h"
#include "TrawlexVersion.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
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

template <typename T = QWidget>
T *part(const TAboutBox &box, const char *name)
{
    return box.findChild<T *>(QString::fromLatin1(name));
}

QColor textColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::Active, QPalette::WindowText);
}

// Collects the addresses handed to the browser instead of starting one.
class OpenedAddresses final
{
public:
    OpenedAddresses()
        : previous_(ShellOpen::setLauncher([this](const QString &address) { list.append(address); }))
    {
    }
    ~OpenedAddresses() { ShellOpen::setLauncher(previous_); }
    OpenedAddresses(const OpenedAddresses &) = delete;
    OpenedAddresses &operator=(const OpenedAddresses &) = delete;

    QStringList list;

private:
    ShellOpen::Launcher previous_;
};

// Runs `inside` once the box's modal loop is up, then closes the box with Enter, as a user would.
int execThenPressEnter(TAboutBox &box, const std::function<void()> &inside)
{
    QTimer::singleShot(0, &box, [&] {
        inside();
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &box, Qt::Key_Return);
    });
    return box.exec();
}

} // namespace

TEST(AboutBox, DesignedFormColoursAndTexts)
{
    TAboutBox box;
    EXPECT_EQ(box.objectName(), QStringLiteral("AboutBox"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(box.size(), QSize(298, 216));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "a fixed dialog border cannot be resized";
    EXPECT_EQ(box.windowType(), Qt::Dialog);
    // A title and a close button only: a window manager draws no minimize or maximize button.
    const Qt::WindowFlags buttons = Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint
                                    | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint;
    EXPECT_EQ(box.windowFlags() & buttons, Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::CustomizeWindowHint)) << "else the platform adds its default buttons";
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    EXPECT_EQ(box.font().pointSize(), 9);
    EXPECT_EQ(textColour(&box), QColor(Qt::black));

    struct Row { const char *name; QRect place; const char *text; QColor colour; };
    const Row rows[] = {
        {"Panel1", {8, 8, 281, 163}, nullptr, QColor()},
        {"ProgramIcon", {4, 8, 53, 57}, nullptr, QColor()},
        {"ProductName", {56, 17, 221, 25}, "Norvane Trawlex", QColor(0, 0, 128)},
        {"Version", {64, 44, 205, 13}, "Version:" TRAWLEX_VERSION, QColor(255, 0, 0)},
        {"Label2", {40, 140, 225, 13}, "www.norvane.example", QColor(0, 0, 255)},
        {"OKButton", {113, 180, 78, 25}, "&OK", QColor()},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QWidget *widget = part(box, row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), row.place);
        if (row.text != nullptr) {
            EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(row.text));
        }
        if (row.colour.isValid()) {
            EXPECT_EQ(textColour(widget), row.colour);
        }
    }
    for (const char *centred : {"ProductName", "Version"})
        EXPECT_EQ(part<QLabel>(box, centred)->alignment(), Qt::AlignCenter) << centred;
    const QFont nameFont = part(box, "ProductName")->font();
    EXPECT_TRUE(nameFont.bold());
    EXPECT_EQ(nameFont.pointSize(), 14);

    // What the user sees: the white panel inside a blue border.
    const QImage shot = box.grab().toImage();
    EXPECT_EQ(shot.pixelColor(3, 3), QColor(57, 109, 165));
    EXPECT_EQ(shot.pixelColor(290, 200), QColor(57, 109, 165));
    EXPECT_EQ(shot.pixelColor(8 + 200, 8 + 155), QColor(Qt::white));
}

TEST(AboutBox, PictureIsAJpegDecodedIntoTheIcon)
{
    QFile file(QStringLiteral(":/images/Trawlex.jpg"));
    TAboutBox box; // makes the picture's resource known
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.peek(3) == QByteArray("\xFF\xD8\xFF", 3)) << "a JPEG stream, not another format";
    file.close();

    QImageReader reader(QStringLiteral(":/images/Trawlex.jpg"), "jpeg");
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(picture.size(), QSize(53, 57));

    const QImage shown = part<QLabel>(box, "ProgramIcon")->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
}

TEST(AboutBox, OpensCentredOnItsOwnerThenWhereTheUserLeftIt)
{
    QWidget mainWindow;
    mainWindow.setGeometry(200, 150, 666, 487);
    mainWindow.show();
    TAboutBox box(&mainWindow);

    box.show();
    EXPECT_LE((box.frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(), 2);

    // Moved by the user through the window system, not by the program.
    box.windowHandle()->setPosition(30, 40);
    QCoreApplication::processEvents();
    ASSERT_EQ(box.geometry().topLeft(), QPoint(30, 40));
    box.accept();

    mainWindow.move(250, 120);
    box.show();
    EXPECT_EQ(box.geometry().topLeft(), QPoint(30, 40));
    box.accept();
}

TEST(AboutBox, OkHasTheFocusEachTimeAndClosesWithOk)
{
    QWidget mainWindow;
    mainWindow.show();
    TAboutBox box(&mainWindow);
    auto *ok = part<QPushButton>(box, "OKButton");
    EXPECT_TRUE(ok->isDefault());
    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE(showing);
        QWidget *focused = nullptr;
        EXPECT_EQ(execThenPressEnter(box, [&] {
                      EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
                      focused = QApplication::focusWidget();
                  }),
                  QDialog::Accepted);
        EXPECT_EQ(focused, ok);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST(AboutBox, WebsiteLabelOpensTheMakersWebsite)
{
    OpenedAddresses opened;
    TAboutBox box;
    box.show();
    auto *website = part<QLabel>(box, "Label2");
    EXPECT_EQ(website->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(website, Qt::LeftButton);
    EXPECT_EQ(opened.list, QStringList{WebAddresses::website});

    // Pressed on the label but let go elsewhere: no click.
    QTest::mousePress(website, Qt::LeftButton);
    QTest::mouseRelease(website, Qt::LeftButton, {}, QPoint(-10, -10));
    QTest::mouseClick(website, Qt::RightButton);
    EXPECT_EQ(opened.list.size(), 1);
    box.accept();
}
