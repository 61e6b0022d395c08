// The application object the widget tests need, on the offscreen platform, with the registry
// store pointed into a temporary folder before anything could reach the user's own.

#include "platform/RegistryStore.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ShellTestEnvironment final : public testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv(RegistryStore::fileVariable, QFile::encodeName(folder_.filePath(QStringLiteral("registry.reg"))));
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "shell-tests";
    char *argv_[2] = {name_, nullptr};
    QTemporaryDir folder_;
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment *const environment = testing::AddGlobalTestEnvironment(new ShellTestEnvironment);

} // namespace
