#pragma once
// What the two option dialogs of the search panels share: the Cancelled flag and its reset each
// time the dialog shows, the result-file picker, help, the message box, and a window that Enter
// and Escape leave alone (no button is the default or the cancel button).

#include "shell/PanelServices.h"

#include "crawl/CrawlRules.h"
#include "search/CrawlSettings.h"
#include "shell/znIniSetting.h"

#include <QDialog>
#include <QPointer>
#include <QMargins>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TTypedSpinBox;
class QToolButton;

// Blanks and control characters (everything up to U+0020) removed at both ends, the rule by which
// a typed URL, phrase or file name counts as empty.
QString trimBlanks(const QString &text);

// Where a dialog of `clientSize` with the window manager's `frame` around it goes so that its
// outer bounds are centred over the outer bounds `ownerFrame` of its owner, kept within
// `available` as far as it fits: its client geometry.
QRect centredOver(const QRect &ownerFrame, const QSize &clientSize, const QMargins &frame, const QRect &available);

class TOptionDialog : public QDialog
{
    Q_OBJECT

public:
    // Shows `text` to the user over `owner` and returns when the box is closed.
    using MessageBox = std::function<void(QWidget *owner, const QString &text)>;
    // Shows the save dialog for `FileName` with `Filter`; nullopt when the user cancelled.
    using SaveDialog =
        std::function<std::optional<QString>(QWidget *owner, const QString &FileName, const QString &Filter)>;

    ~TOptionDialog() override;

    // True when the last showing ended with Cancel; a close by the close box applies the values.
    bool Cancelled = false;

    // Stand-ins for the user's answers (tests); empty restores the standard one.
    void setMessageBox(MessageBox box);
    void setSaveDialog(SaveDialog dialog);

    static void standardMessageBox(QWidget *owner, const QString &text);

    // Each opening centres the dialog over its owner's window.
    void setVisible(bool visible) override;

    // The values both dialogs hand to their panel.
    QString FileName() const;
    // The rules the next crawl follows: thorough when its box is ticked, with robots.txt obeyed
    // unless that box is cleared and the pace of fetching as set beside it; an authority for
    // https from the main settings ("Thorough", "CaFile").
    CrawlRules Rules() const;
    int Depth() const;
    int Queues() const;
    bool AllLink() const;
    bool JapanOnly() const;
    // The limits and scope as typed, for the panel to complete with its start address.
    CrawlSettings crawlSettings() const;

public Q_SLOTS:
    void FormActivate();
    // Restores the limits; everything else stays as typed.
    void btnDefaultClick();
    void btnCancelClick();
    void btnHelpClick();
    // Lets the user pick the result file; a name without any "." gets ".txt".
    void spbToClick();

protected:
    // Of `services` the dialog takes the message texts and help.
    TOptionDialog(const TPanelServices &services, QWidget *parent);

    // The controls both dialogs have, by their design names.
    struct CommonControls
    {
        QLineEdit *edtFile;
        QToolButton *spbTo;
        TTypedSpinBox *intDepth;
        TTypedSpinBox *intQue;
        QRadioButton *rdoAll;
        QCheckBox *chkJapan;
        QCheckBox *chkThorough;
        QCheckBox *chkRobots;
        QLabel *labJobs;
        QSpinBox *edtJobs;
        QLabel *labPerHost;
        QSpinBox *edtPerHost;
        QLabel *labWait;
        QDoubleSpinBox *edtWait;
        QPushButton *btnDefault;
        QPushButton *btnCancel;
        QPushButton *btnHelp;
    };
    // Wires the shared controls: unbounded limits set to their defaults, the file picker,
    // Default, Cancel and Help (opening `helpTopic`); the crawl rules as kept in the main
    // settings under `section`.
    void attachCommon(const CommonControls &controls, const QString &helpTopic, CrawlLimits defaults,
                      const QString &section);
    // The message of `key`, then the focus to `focus`; the dialog stays open.
    void warn(const QString &key, QWidget *focus);
    // Whether `focusOut` hands the focus to another control of this dialog, by the keyboard or
    // the mouse: not when the dialog closes or loses activation, nor when a popup opens.
    bool focusMovesWithin(const QEvent *focusOut) const;

    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void placeOverOwner();

    void keepRules() const;
    // What only a thorough crawl heeds can be changed only while one is chosen.
    void enableThoroughParts(bool on) const;

    CommonControls controls_{};
    QPointer<TznIniSetting> iniMain_;
    QString section_;
    // The window manager's frame around this dialog as last seen; none before the first showing.
    QMargins frame_;
    CrawlLimits defaults_;
    QString helpTopic_;
    TPanelServices::MessageLookup paraText_;
    TPanelServices::ShowHelp showHelp_;
    MessageBox messageBox_;
    SaveDialog saveDialog_;
};
