// One application object of the program's own kind for a whole widget test executable, linked
// into each: offscreen, with the per-user key store in a temporary file before anything could
// reach the user's own. An exception that escapes a handler takes the program's error path and
// fails the running test, where the standard error box would wait for a user; a test that expects
// one puts its own reporter in place. Crawl workers still ending are waited for before the
// application object goes.

#include "crawl/WorkerReaper.h"
#include "platform/RegistryStore.h"
#include "shell/TrawlApplication.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class AppTestEnvironment final : public testing::Environment
{
public:
    void SetUp() override
    {
        // TRAWLEX_SHOT names a picture a test takes for a person to look at; it is drawn on the
        // display the caller provides (Xvfb). Every other run stays offscreen.
        if (qEnvironmentVariableIsEmpty("TRAWLEX_SHOT"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv(RegistryStore::fileVariable, QFile::encodeName(folder_.filePath(QStringLiteral("registry.reg"))));
        app_ = std::make_unique<TrawlApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
        app_->setErrorReporter([](const QString &, const QString &message) {
            ADD_FAILURE() << "escaped exception: " << message.toStdString();
        });
    }
    void TearDown() override
    {
        WorkerReaper::waitForAll(5000);
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "trawlex-tests";
    char *argv_[2] = {name_, nullptr};
    QTemporaryDir folder_;
    std::unique_ptr<TrawlApplication> app_;
};

[[maybe_unused]] testing::Environment *const environment = testing::AddGlobalTestEnvironment(new AppTestEnvironment);

} // namespace
