#pragma once
// What the two option dialogs of the search panels share: the Cancelled flag and its reset each
// time the dialog shows, the result-file picker, help, the message box, and a window that Enter
// and Escape leave alone (no button is the default or the cancel button).

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QLineEdit;
class QSpinBox;

// Blanks and control characters (everything up to U+0020) removed at both ends, the rule by which
// a typed URL, phrase or file name counts as empty.
QString trimBlanks(const QString &text);

// An unbounded spin edit of the option dialogs is a QSpinBox over the whole int range; it reads
// its text, so text that is no whole number (empty, a lone "-") reads as 0, not as the last
// valid value.
int spinValue(const QSpinBox *spin);
void makeUnbounded(QSpinBox *spin);

class TOptionDialog : public QDialog
{
    Q_OBJECT

public:
    using MessageLookup = std::function<QString(const QString &Key)>;
    // Shows `text` to the user over `owner` and returns when the box is closed.
    using MessageBox = std::function<void(QWidget *owner, const QString &text)>;
    // Shows the save dialog for `FileName` with `Filter`; nullopt when the user cancelled.
    using SaveDialog =
        std::function<std::optional<QString>(QWidget *owner, const QString &FileName, const QString &Filter)>;
    // Opens a page of the help file ("Robot.htm").
    using ShowHelp = std::function<void(const QString &topic)>;

    ~TOptionDialog() override;

    // True when the last showing ended with Cancel; a close by the close box applies the values.
    bool Cancelled = false;

    // Until these are set the dialog takes the messages and help of frmMain.
    void setMessageLookup(MessageLookup lookup);
    // Empty restores the standard one.
    void setMessageBox(MessageBox box);
    void setSaveDialog(SaveDialog dialog);
    void setHelp(ShowHelp help);

    static void standardMessageBox(QWidget *owner, const QString &text);

public Q_SLOTS:
    void FormActivate();
    void btnCancelClick();
    void btnHelpClick();
    // Lets the user pick the result file; a name without any "." gets ".txt".
    void spbToClick();

protected:
    explicit TOptionDialog(QWidget *parent);

    // The derived dialog's file field and its help page.
    void attachCommon(QLineEdit *edtFile, const QString &helpTopic);
    // The message of `key`, then the focus to `focus`; the dialog stays open.
    void warn(const QString &key, QWidget *focus);

    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *edtFile_ = nullptr;
    QString helpTopic_;
    MessageLookup paraText_;
    MessageBox messageBox_;
    SaveDialog saveDialog_;
    ShowHelp help_;
};
