#pragma once
// A fresh temporary folder set as the program folder for the life of a test.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempProgramFolder final
{
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder &) = delete;
    TempProgramFolder &operator=(const TempProgramFolder &) = delete;

    QString path() const;                           // with trailing "/"
    QString file(const QString &name) const;        // path() + name
    QByteArray read(const QString &name) const;     // whole file, empty if missing

private:
    QTemporaryDir dir_;
};
