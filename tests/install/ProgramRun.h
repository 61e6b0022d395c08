#pragma once
// Runs a program to its end with an environment of the test's making, for the tests of the
// installed and the read-only program: nothing of the real user's reaches it.

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QList<QByteArray> outLines() const;
};

// The environment of the tests less what points the program at a folder: HOME, XDG_DATA_HOME and
// the key store are the caller's (a temporary folder).
QProcessEnvironment programEnvironment(const QString &home);

ProgramRun runProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment);

// The regular files below `folder`, as paths relative to it, sorted.
QStringList filesBelow(const QString &folder);
