#pragma once
// The search engines a user adds in Engines.ini beside the program, one section each, read by
// the profile-file rules of TrawlMain.ini. A section that cannot make a working engine is left
// out with a message naming it; the other sections are kept.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct FileEngine
{
    QString section;
    QString caption;      // the row of the engine list; unique among all engines
    QString address;      // a template holding {phrase} and, for more than one page, {offset}
    QByteArray encoding;  // how the phrase goes on the wire (an ICU name: "UTF-8", "GBK", ...)
    int firstOffset = 0;
    int offsetStep = 0;
    int pages = 0;        // result pages per phrase
    QString resultLinks;  // which links of a result page count as results; empty: all

    // The address of result page `page` for `phrase`, the phrase's bytes percent-encoded.
    QString searchUrl(int page, const QString &phrase) const;
    // Whether `link`, an absolute address found on one of this engine's result pages, is a
    // result: it starts with `resultLinks`, or, for a rule starting with "/", its path does.
    bool isResultLink(const QByteArray &link) const;
};

struct EngineFile
{
    QList<FileEngine> engines; // in the order of the file's sections
    QStringList problems;      // one line each, naming the file and the section

    static constexpr int kMostPages = 100;
    static const char *const kFileName; // "Engines.ini"

    // No file gives no engines and no problem.
    static EngineFile read(const QString &path);
    // Engines.ini in the program folder.
    static EngineFile current();
};
