#pragma once
// Opens topic pages of the program's help file. The file always lies in the program folder
// (HelpFile names it there or below); the current directory plays no part. Without the help
// library, the file or the page, a request does nothing and reports nothing.

#include <QObject>
#include <QString>

class TznHelp final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString HelpFile READ HelpFile WRITE setHelpFile)

public:
    explicit TznHelp(QObject *owner = nullptr);

    QString HelpFile() const { return helpFile_; }
    void setHelpFile(const QString &helpFile) { helpFile_ = helpFile; }

    // The program folder followed by HelpFile, as it stands.
    QString FullHelpFile() const;

    // Opens the help window on `topic` ("Welcome.htm") and returns at once.
    void ShowTopic(const QString &topic) const;

private:
    QString helpFile_;
};
