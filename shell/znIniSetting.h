#pragma once
// Named string values in an INI file beside the program (by default "Setting.ini"): the main
// settings file and, through the translation component, the language files. Every call reads or
// writes the file anew; nothing is cached, so hand edits are seen at once.

#include <QByteArray>
#include <QObject>
#include <QString>

class TznIniSetting final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(QByteArray Encoding READ Encoding WRITE setEncoding)

public:
    explicit TznIniSetting(QObject *owner = nullptr);

    QString FileName() const { return fileName_; }
    void setFileName(const QString &fileName) { fileName_ = fileName; }

    // The file's code page as an ICU name ("windows-1252", "GBK", "Big5", "Shift_JIS"); empty
    // means UTF-8. Language files set it from their font character set.
    QByteArray Encoding() const { return encoding_; }
    void setEncoding(const QByteArray &encoding) { encoding_ = encoding; }

    // The program folder as it was at construction, with its trailing "/".
    QString baseFolder() const { return baseFolder_; }

    // Blank FileName: "Setting.ini" in the base folder; a name holding ":" or starting with "/"
    // as it stands; any other name inside the base folder.
    QString FullFileName() const;

    // Never fails: a missing file, section or ident, or an unreadable file, gives Default.
    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) const;
    // Never fails visibly: a value that cannot be stored is lost and the file stays as it was.
    void WriteString(const QString &Section, const QString &Ident, const QString &Value) const;

private:
    QString baseFolder_;
    QString fileName_;
    QByteArray encoding_;
};
