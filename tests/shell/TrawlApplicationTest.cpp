// TrawlApplication replaces the shared test application object, so these tests have their own
// executable and main.

#include "shell/TrawlApplication.h"

#include "platform/RegistryStore.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace {

const QEvent::Type failEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type countEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Throws from its handler for every fail event and counts the other events it handles.
class FailingObject final : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == failEvent)
            throw std::runtime_error("Disk full");
        if (e->type() == countEvent) {
            ++handled;
            return true;
        }
        return QObject::event(e);
    }
    std::atomic<int> handled{0};
};

struct Report
{
    QString title;
    QString message;
    QThread *thread;
};

TrawlApplication *app()
{
    return static_cast<TrawlApplication *>(QCoreApplication::instance());
}

// Collects the reports in place of the modal box while it lives.
class ReportCollector final
{
public:
    ReportCollector()
    {
        previous_ = app()->setErrorReporter([this](const QString &title, const QString &message) {
            reports.append({title, message, QThread::currentThread()});
            if (onReport)
                onReport();
        });
    }
    ~ReportCollector() { app()->setErrorReporter(previous_); }
    ReportCollector(const ReportCollector &) = delete;
    ReportCollector &operator=(const ReportCollector &) = delete;

    QList<Report> reports;
    std::function<void()> onReport;

private:
    TrawlApplication::ErrorReporter previous_;
};

bool send(QObject *receiver, QEvent::Type type)
{
    QEvent event(type);
    return QCoreApplication::sendEvent(receiver, &event);
}

} // namespace

TEST(TrawlApplication, ExceptionFromAHandlerIsReportedAndTheObjectStaysUsable)
{
    ReportCollector collector;
    FailingObject object;
    EXPECT_FALSE(send(&object, failEvent));
    ASSERT_EQ(collector.reports.size(), 1);
    EXPECT_EQ(collector.reports[0].title, QStringLiteral("Norvane Trawlex"));
    EXPECT_EQ(collector.reports[0].message, QStringLiteral("Disk full"));

    EXPECT_TRUE(send(&object, countEvent));
    EXPECT_EQ(object.handled, 1);
}

TEST(TrawlApplication, EventLoopGoesOnAfterFailingSlotsAndTimers)
{
    ReportCollector collector;
    QEventLoop loop;
    bool ranAfter = false;
    QTimer::singleShot(0, &loop, [] { throw std::logic_error("Index out of range"); });
    QTimer::singleShot(0, &loop, [] { throw 42; });
    QTimer::singleShot(10, &loop, [&] {
        ranAfter = true;
        loop.quit();
    });
    loop.exec();
    EXPECT_TRUE(ranAfter);
    ASSERT_EQ(collector.reports.size(), 2);
    EXPECT_EQ(collector.reports[0].message, QStringLiteral("Index out of range"));
    EXPECT_FALSE(collector.reports[1].message.isEmpty()) << "an exception without a text still gets one";
}

TEST(TrawlApplication, FailuresWhileABoxIsOpenGoToTheLogInsteadOfMoreBoxes)
{
    ReportCollector collector;
    FailingObject object;
    // The box's own event loop delivers another failing event, as a repaint or a timer would.
    collector.onReport = [&] {
        if (collector.reports.size() == 1)
            send(&object, failEvent);
    };
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtCriticalMsg)
                logged.append(text);
        });
    send(&object, failEvent);
    qInstallMessageHandler(previous);
    EXPECT_EQ(collector.reports.size(), 1);
    EXPECT_EQ(logged, QStringList{QStringLiteral("Disk full")});

    send(&object, failEvent);
    EXPECT_EQ(collector.reports.size(), 2) << "once the box is closed, the next failure shows again";
}

TEST(TrawlApplication, FailureOnAnotherThreadIsShownFromTheInterfaceThread)
{
    ReportCollector collector;
    QThread worker;
    FailingObject object;
    object.moveToThread(&worker);
    worker.start();
    QCoreApplication::postEvent(&object, new QEvent(failEvent));
    QCoreApplication::postEvent(&object, new QEvent(countEvent));
    for (int i = 0; i < 500 && (collector.reports.isEmpty() || object.handled == 0); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    worker.quit();
    worker.wait();
    EXPECT_EQ(object.handled, 1) << "the worker thread goes on";
    ASSERT_EQ(collector.reports.size(), 1);
    EXPECT_EQ(collector.reports[0].message, QStringLiteral("Disk full"));
    EXPECT_EQ(collector.reports[0].thread, QCoreApplication::instance()->thread());
}

TEST(TrawlApplication, StandardBoxNamesTheApplicationAndShowsTheMessage)
{
    FailingObject object;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool shown = false;
    // The box is modal: close it from its own event loop once it is up.
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        shown = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    closer.start();
    send(&object, failEvent);
    closer.stop();
    ASSERT_TRUE(shown);
    EXPECT_EQ(title, QStringLiteral("Norvane Trawlex"));
    EXPECT_EQ(text, QStringLiteral("Disk full"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir folder;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv(RegistryStore::fileVariable, QFile::encodeName(folder.filePath(QStringLiteral("registry.reg"))));
    TrawlApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    return RUN_ALL_TESTS();
}
