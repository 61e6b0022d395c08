#include "tests/support/TempProgramFolder.h"

#include "platform/ProgramFolder.h"

#include <QFile>

TempProgramFolder::TempProgramFolder()
{
    ProgramFolder::set(dir_.path());
}

TempProgramFolder::~TempProgramFolder()
{
    ProgramFolder::set(QString());
}

QString TempProgramFolder::path() const
{
    return dir_.path() + QLatin1Char('/');
}

QString TempProgramFolder::file(const QString &name) const
{
    return path() + name;
}

QByteArray TempProgramFolder::read(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
