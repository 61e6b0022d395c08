#pragma once
// Interface translation. Walks a form and everything it owns and sets captions, hints and item
// lists from the current language file; a text the file does not hold yet is written into it,
// so a language file fills itself the first time each form is shown. The same walk raises every
// font to a minimum size and gives it the language's character set. Every form is walked again
// each time it becomes the active window.
//
// Also holds the message table (Paras) of the texts the program composes at run time; panels and
// dialogs look them up by key with ParaText.
//
// Nothing is cached: each text is read from the language file when it is applied, so a file
// edited by hand while the program runs shows at the next walk.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

class QWidget;
class TznIniSetting;

using TznNotifyEvent = std::function<void(QObject *Sender)>;
// The size in points about to be set on a font, after MinFontSize; the handler may change it.
using TznFontSizeEvent = std::function<void(int &aFontSize)>;
// For each walked component: translate what is not a simple property. `aIniSection` is the
// owner's path followed by the component's name, with no separator; `aIni` is the open language
// file, which the handler reads and fills by the same rules (see LangRules). The components of
// an unnamed form have no sections and are not handed over.
using TznOnCompontProperty =
    std::function<void(QObject *aComponent, const QString &aIniSection, const TznIniSetting &aIni)>;

// A message file that cannot be read: "Cannot open file "<path>". <reason>". It travels up to
// the application's error report.
class EFOpenError final : public std::runtime_error
{
public:
    EFOpenError(const QString &path, const QString &reason);
    QString message() const { return QString::fromUtf8(what()); }
};

class TznLang : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QStringList Paras READ Paras WRITE setParas)
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(bool ForceLanguageChange READ ForceLanguageChange WRITE setForceLanguageChange)
    Q_PROPERTY(QString LocalDir READ LocalDir)
    Q_PROPERTY(int MinFontSize READ MinFontSize WRITE setMinFontSize)
    Q_PROPERTY(QString ParaFileName READ ParaFileName WRITE setParaFileName)
    Q_PROPERTY(bool OnlyFont READ OnlyFont WRITE setOnlyFont)

public:
    // Loads the message table from "Para.ini" in the program folder (a missing file leaves it
    // empty) and, in a GUI application, starts translating each form that becomes active. Qt's
    // standard dialogs (file, message, colour, font, input, progress) stand for the platform's
    // and are not walked.
    explicit TznLang(QObject *owner = nullptr);
    ~TznLang() override;
    TznLang(const TznLang &) = delete;
    TznLang &operator=(const TznLang &) = delete;

    // Translate every form when it becomes the active window.
    bool Enabled() const { return enabled_; }
    void setEnabled(bool value) { enabled_ = value; }
    // The message table, one line of the message file per entry.
    QStringList Paras() const { return paras_; }
    void setParas(const QStringList &lines) { paras_ = lines; }
    // The language file, named as TznIniSetting names files (bare names lie in the program folder).
    QString FileName() const { return fileName_; }
    void setFileName(const QString &value)
    {
        fileName_ = value;
        textEncoding_.reset();
    }
    // Walk components again even when an earlier walk marked them translated (Tag 1).
    bool ForceLanguageChange() const { return forceLanguageChange_; }
    void setForceLanguageChange(bool value) { forceLanguageChange_ = value; }
    // The program folder with its trailing separator.
    QString LocalDir() const { return localDir_; }
    int MinFontSize() const { return minFontSize_; }
    void setMinFontSize(int value) { minFontSize_ = value; }
    // The message file loaded at creation ("Para.ini" when empty). Setting it later loads nothing.
    QString ParaFileName() const { return paraFileName_; }
    void setParaFileName(const QString &value) { paraFileName_ = value; }
    // Walks adjust fonts only; OnTranslate is still called.
    bool OnlyFont() const { return onlyFont_; }
    void setOnlyFont(bool value) { onlyFont_ = value; }

    TznNotifyEvent OnActiveFormChange;
    TznFontSizeEvent OnFontSize;
    TznOnCompontProperty OnTranslate;

    // Walks `Component` and everything it owns. `Prefix` is the owner's path, empty for a form
    // walked from the top. A derived component may extend the walk; the walk calls this again
    // for every child it visits. Every visited component is marked with the dynamic property
    // "Tag" = 1, also when a handler's exception ends the walk; without ForceLanguageChange a
    // marked component is not walked again.
    virtual void Translate(QObject *Component, const QString &Prefix);

    // The text after the first "=" of the first line whose text before that "=" equals `Key`
    // exactly; empty when no line does.
    QString ParaText(const QString &Key) const;

    // Replaces Paras with the lines of a message file. The file is decoded with the code page of
    // the current language file's character set (a file starting with a UTF-8 byte order mark
    // as UTF-8). Throws EFOpenError, leaving Paras as they were, when the file cannot be read.
    void LoadParas(const QString &path);

    // The character set the language file names ("Font", "FontCharset"); 0 when it names none.
    int FileCharset() const;

    // The code page 8-bit text is shown in: the language file's, the system code page
    // ("windows-1252") while the file names none. Kept between file changes and walks, since
    // every fetched page asks for it.
    QByteArray TextEncoding() const;

private:
    struct Walk;
    void applyFontRule(const Walk &walk, QObject *component);
    void walkChildren(const Walk &walk, QObject *component);
    void activeWindowMayHaveChanged();

    bool enabled_ = true;
    bool forceLanguageChange_ = false;
    bool onlyFont_ = false;
    int minFontSize_ = 9;
    int fontsOnlyDepth_ = 0; // inside the owned components of an unnamed owner
    QString fileName_;
    QString paraFileName_;
    QString localDir_;
    QStringList paras_;
    mutable std::optional<QByteArray> textEncoding_;
    QPointer<QWidget> activeForm_;
};
