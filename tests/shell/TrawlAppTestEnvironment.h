#pragma once
// One application object of the program's own kind for a whole test executable: offscreen, with
// the per-user key store in a temporary file, so escaped exceptions take the real error path
// and no test touches the user's settings.

#include "platform/RegistryStore.h"
#include "shell/TrawlApplication.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class TrawlAppTestEnvironment final : public testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv(RegistryStore::fileVariable, QFile::encodeName(folder_.filePath(QStringLiteral("registry.reg"))));
        app_ = std::make_unique<TrawlApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("Norvane Trawlex"));
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "trawlex-tests";
    char *argv_[2] = {name_, nullptr};
    QTemporaryDir folder_;
    std::unique_ptr<TrawlApplication> app_;
};
