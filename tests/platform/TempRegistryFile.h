#pragma once
// Points the registry store at a file in a fresh temporary folder for the life of a test, so no
// test ever touches the user's own store; the previous setting comes back afterwards.

#include "platform/RegistryStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class TempRegistryFile final
{
public:
    TempRegistryFile() : previous_(qgetenv(RegistryStore::fileVariable))
    {
        qputenv(RegistryStore::fileVariable, QFile::encodeName(path()));
    }
    ~TempRegistryFile()
    {
        if (previous_.isEmpty())
            qunsetenv(RegistryStore::fileVariable);
        else
            qputenv(RegistryStore::fileVariable, previous_);
    }
    TempRegistryFile(const TempRegistryFile &) = delete;
    TempRegistryFile &operator=(const TempRegistryFile &) = delete;

    QString folder() const { return dir_.path(); }
    QString path() const { return dir_.filePath(QStringLiteral("store/registry.reg")); }

    QByteArray read() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void write(const QByteArray &bytes) const
    {
        QFile file(path());
        (void)QDir().mkpath(dir_.filePath(QStringLiteral("store")));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};
