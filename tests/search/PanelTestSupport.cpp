#include "tests/search/PanelTestSupport.h"

#include "crawl/WorkerReaper.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class PanelTestEnvironment final : public testing::Environment
{
public:
    void SetUp() override
    {
        // TRAWLEX_SHOT names a picture of a panel after its crawl; taken on the display the
        // caller provides (Xvfb), every other run stays offscreen.
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SHOT"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    }
    void TearDown() override
    {
        WorkerReaper::waitForAll(5000);
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "panel-tests";
    char *argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment *const environment = testing::AddGlobalTestEnvironment(new PanelTestEnvironment);

} // namespace

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return done();
}

QString textOf(const char *key)
{
    return QStringLiteral("text of ") + QString::fromLatin1(key);
}
