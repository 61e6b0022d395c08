#include "shell/znFormPosition.h"

#include "tests/platform/TempRegistryFile.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <QWindow>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString positionKey = QStringLiteral("SOFTWARE\\Norvane\\Norvane Trawlex\\Position");
const QRect designed(50, 60, 320, 200);

// A form as the program builds one: its designed bounds first, then its components loaded.
class Form final : public QWidget
{
public:
    explicit Form(bool callLoaded = true)
    {
        setGeometry(designed);
        position = new TznFormPosition(this);
        if (callLoaded)
            position->Loaded();
    }
    bool refuseClose = false;
    TznFormPosition *position = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuseClose)
            event->ignore();
    }
};

// Shown and exposed, so its frame is known; waits a bounded time.
bool exposed(QWidget *form)
{
    const QDeadlineTimer deadline(5000);
    while (!(form->windowHandle() && form->windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return form->windowHandle() && form->windowHandle()->isExposed();
}

std::optional<qint32> stored(const char *name)
{
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, positionKey, false);
    return key ? key->readInteger(QLatin1StringView(name)) : std::nullopt;
}

void storePosition(std::vector<std::pair<QString, RegistryText::Data>> values)
{
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, positionKey, true);
    ASSERT_TRUE(key && key->writeValues(values));
}

} // namespace

TEST(TznFormPosition, MaximizedWindowComesBackMaximizedWithItsNormalBounds)
{
    const TempRegistryFile store;
    {
        Form form;
        EXPECT_EQ(form.position->positionKey(), positionKey);
        form.setGeometry(100, 120, 500, 300);
        form.showMaximized();
        QCoreApplication::processEvents();
        ASSERT_TRUE(form.isMaximized());
        ASSERT_NE(form.geometry(), QRect(100, 120, 500, 300));
        form.close();
    }
    EXPECT_EQ(store.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvane\\Norvane Trawlex\\Position]\n"
                            "\"Left\"=dword:00000064\n\"Top\"=dword:00000078\n\"Width\"=dword:000001f4\n"
                            "\"Height\"=dword:0000012c\n\"State\"=dword:00000002\n");

    Form again;
    again.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_NE(again.geometry(), QRect(100, 120, 500, 300));
    EXPECT_EQ(again.normalGeometry(), QRect(100, 120, 500, 300));
    again.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(again.geometry(), QRect(100, 120, 500, 300));
}

// Offscreen windows get a frame of 2 on every side once shown, as a window manager's would be.
TEST(TznFormPosition, TheOuterBoundsAreStoredAndComeBackWithTheFrameAround)
{
    const TempRegistryFile store;
    const auto storedBytes = [](int left, int top, int width, int height, int state) {
        return QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvane\\Norvane Trawlex\\Position]\n"
                              "\"Left\"=dword:%1\n\"Top\"=dword:%2\n\"Width\"=dword:%3\n\"Height\"=dword:%4\n"
                              "\"State\"=dword:%5\n")
            .arg(left, 8, 16, QLatin1Char('0'))
            .arg(top, 8, 16, QLatin1Char('0'))
            .arg(width, 8, 16, QLatin1Char('0'))
            .arg(height, 8, 16, QLatin1Char('0'))
            .arg(state, 8, 16, QLatin1Char('0'))
            .toLatin1();
    };
    {
        Form form;
        form.show();
        ASSERT_TRUE(exposed(&form));
        EXPECT_EQ(form.frameGeometry(), designed) << "the designed bounds are the outer ones";
        EXPECT_EQ(form.geometry(), designed.marginsRemoved(QMargins(2, 2, 2, 2)));
        form.close();
        EXPECT_EQ(store.read(), storedBytes(50, 60, 320, 200, 0));
    }
    {
        // Moved and resized by the user, then maximized: the normal outer bounds are kept.
        Form form;
        form.show();
        ASSERT_TRUE(exposed(&form));
        form.windowHandle()->setFramePosition(QPoint(90, 110));
        form.windowHandle()->resize(400, 250);
        QCoreApplication::processEvents();
        form.showMaximized();
        QCoreApplication::processEvents();
        ASSERT_TRUE(form.isMaximized());
        form.close();
        EXPECT_EQ(store.read(), storedBytes(90, 110, 404, 254, 2));
    }
    Form again;
    again.show();
    ASSERT_TRUE(exposed(&again));
    ASSERT_TRUE(again.isMaximized());
    again.close();
    EXPECT_EQ(store.read(), storedBytes(90, 110, 404, 254, 2)) << "nothing creeps from one run to the next";
}

TEST(TznFormPosition, RestoreStopsSilentlyAtTheFirstMissingOrMalformedValue)
{
    struct Row
    {
        const char *why;
        std::vector<std::pair<QString, RegistryText::Data>> values;
        QRect expectedBounds;
        Qt::WindowStates expectedState;
    };
    const Row rows[] = {
        {"no key: the designed bounds", {}, designed, Qt::WindowNoState},
        {"only Left and Top", {{QStringLiteral("Left"), 30}, {QStringLiteral("Top"), 40}}, QRect(30, 40, 320, 200),
         Qt::WindowNoState},
        {"a string where a number belongs",
         {{QStringLiteral("Left"), 30}, {QStringLiteral("Top"), QStringLiteral("40")}, {QStringLiteral("Width"), 99}},
         QRect(30, 60, 320, 200), Qt::WindowNoState},
        {"everything, minimized",
         {{QStringLiteral("Left"), 1}, {QStringLiteral("Top"), 2}, {QStringLiteral("Width"), 300},
          {QStringLiteral("Height"), 150}, {QStringLiteral("State"), 1}},
         QRect(1, 2, 300, 150), Qt::WindowMinimized},
        {"a state no window has keeps the designed state",
         {{QStringLiteral("Left"), 1}, {QStringLiteral("Top"), 2}, {QStringLiteral("Width"), 300},
          {QStringLiteral("Height"), 150}, {QStringLiteral("State"), 7}},
         QRect(1, 2, 300, 150), Qt::WindowNoState},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.why);
        const TempRegistryFile store;
        if (!row.values.empty())
            storePosition(row.values);
        const QByteArray before = store.read();
        const Form form;
        EXPECT_EQ(form.geometry(), row.expectedBounds);
        EXPECT_EQ(form.windowState(), row.expectedState);
        EXPECT_EQ(store.read(), before) << "restoring wrote to the store";
    }
}

TEST(TznFormPosition, EveryCloseRequestSavesEvenARefusedOne)
{
    const TempRegistryFile store;
    Form form;
    form.refuseClose = true;
    form.setGeometry(10, 20, 330, 220);
    form.show();
    ASSERT_TRUE(exposed(&form));
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(stored("Left"), 10);
    EXPECT_EQ(stored("Width"), 330);
    EXPECT_EQ(stored("State"), 0);

    form.move(15, 25); // the frame's place
    form.refuseClose = false;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(stored("Left"), 15);
    EXPECT_EQ(stored("Top"), 25);
}

TEST(TznFormPosition, FirstShowingRestoresWhenTheFormDidNotSayItWasLoaded)
{
    const TempRegistryFile store;
    storePosition({{QStringLiteral("Left"), 70}, {QStringLiteral("Top"), 80}, {QStringLiteral("Width"), 400},
                   {QStringLiteral("Height"), 250}, {QStringLiteral("State"), 2}});
    Form form(false);
    EXPECT_EQ(form.geometry(), designed);
    form.show();
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(form.normalGeometry(), QRect(70, 80, 400, 250));
}

TEST(TznFormPosition, AStoreThatCannotBeWrittenDoesNotStopTheClose)
{
    const TempRegistryFile store;
    storePosition({{QStringLiteral("Left"), 1}});
    ASSERT_TRUE(QFile::setPermissions(store.path(), QFileDevice::ReadOwner));
    Form form;
    form.show();
    EXPECT_NO_THROW(EXPECT_TRUE(form.close()));
    EXPECT_FALSE(form.isVisible());
}
