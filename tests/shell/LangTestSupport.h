#pragma once
// Reading language files back in the translation tests: an INI file parsed into sections and
// idents independently of the profile-file code, and the test-only language files.

#include "platform/CodePage.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <map>

using IniEntries = std::map<QString, std::map<QString, QString>>;

// Section and ident names as written (the walk writes them in one spelling); a repeated ident
// keeps its first value, as reads do.
inline IniEntries parseIni(const QByteArray &bytes, const QByteArray &encoding)
{
    IniEntries entries;
    QString section;
    const QStringList lines = CodePage::decode(bytes, encoding).split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            entries[section];
        } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0) {
            entries[section].emplace(line.left(equals), line.mid(equals + 1));
        }
    }
    return entries;
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The language files of the test form, beside this test's sources.
inline QString testLanguageFile(const char *language)
{
    return QStringLiteral(TRAWL_TEST_LANG_DIR "/LangTestForm-%1.ini").arg(QString::fromLatin1(language));
}
