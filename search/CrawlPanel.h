#pragma once
// What the robot and engine search panels share: the found addresses newest first beside the
// page they came from, the mirror of the link queue, the result file, the state and count texts
// in the main window's status bar, the stored splitter place, and the crawl component whose
// events run on the interface thread.

#include "shell/PanelServices.h"
#include "shell/znIniSetting.h"
#include "shell/znStatusBar.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QWidget>

#include <functional>

class QDialog;
class QSplitter;
class TdfsEnhListView;
class TznWebSearch;

class TCrawlPanel : public QWidget
{
    Q_OBJECT

public:
    using MessageBox = std::function<void(QWidget *owner, const QString &text)>;
    // Shows an options dialog modally and returns when it is closed. Tests answer in its place.
    using ModalRunner = std::function<void(QDialog *dialog)>;

    ~TCrawlPanel() override;

    void setMessageBox(MessageBox box);
    void setModalRunner(ModalRunner runner);

    TznWebSearch *schMain() const { return schMain_; }
    TdfsEnhListView *levMail() const { return levMail_; }
    TdfsEnhListView *levQue() const { return levQue_; }

    // The width of the address list, which is the splitter's place; the main window restores
    // the stored one each time it shows the panel.
    int MailListWidth() const;
    void SetMailListWidth(int width);

    // The result file name: empty until the options are first confirmed.
    QString ResultFile;

public Q_SLOTS:
    // Lists and files one page's addresses, then rewrites the count.
    void schMainPageReceived(const QByteArray &aUrl, const QByteArray &aHtml, const QByteArrayList &aEmails);
    // Mirrors one slot of the link queue.
    void schMainWebLinkChange(const QByteArray &aLink, const QByteArray &aLevelNo, int aIndex);
    void schMainEnd();
    void splMainMoved();
    void FrameEnter();

protected:
    struct Layout
    {
        int statePanel;      // panel of the main status bar for "Searching" ... "Finished"
        int countPanel;      // panel of the main status bar for the address count
        QString splitSection; // settings section of the splitter place
    };

    TCrawlPanel(const TPanelServices &services, QWidget *parent, Layout layout);

    // Called by the derived panel once its form is set up.
    void attach(TdfsEnhListView *mail, QSplitter *splitter, TdfsEnhListView *queue, TznStatusBar *page);

    QString message(const QString &key) const;
    QString shown(const QByteArray &bytes) const;
    void showMessage(const QString &key);
    void runModal(QDialog *dialog);
    void showState(const QString &key);
    // For a Start click: true when a crawl still runs, so the click must not start one. A crawl
    // that was stopped and is still ending takes `start` and runs it as soon as it has ended;
    // one that runs on is left alone.
    bool startMustWait(std::function<void()> start);
    // For a Stop click: stops the crawl (and a start waiting for it) and says "Stopping" until
    // the crawl has ended.
    void stopSearch();
    // A crawl has started: empty lists, "Searching", and its own notices of unwritable files.
    void showCrawlStarted();
    // The option summary takes the place of the support notice under the buttons.
    void showSummary(const QString &text);
    QProgressBar *progressBar() const;
    TznStatusBar *statusBar() const;
    // The language's text for `key` when it holds all `placeholders`, else `english`: a message
    // file of the user's own may predate the key.
    QString filledText(const QString &key, int placeholders, const QString &english) const;
    TznIniSetting *settings() const;

    void resizeEvent(QResizeEvent *event) override;

private:
    void placeParts();
    // The end message, and after it what a thorough crawl had to leave out.
    QString endText() const;
    // Results or failures that cannot be written are told once a crawl, in the summary text and
    // in a message box that does not hold up the crawl; the crawl goes on.
    void tellUnwritable(bool &told, const QString &fileName, const QString &reason);
    void focusMoved(QWidget *old, QWidget *now);

    Layout layout_;
    TPanelServices::MessageLookup paraText_;
    TPanelServices::TextEncoding textEncoding_;
    QPointer<TznIniSetting> iniMain_;
    QPointer<TznStatusBar> stuMain_;
    QPointer<QProgressBar> prgMain_;
    int pendingMailWidth_ = -1; // a width asked for before the splitter had its size
    MessageBox messageBox_;
    ModalRunner modalRunner_;
    std::function<void()> startAfterStop_;
    bool resultFileFailureTold_ = false;
    bool errorLogFailureTold_ = false;
    TznWebSearch *schMain_;
    TdfsEnhListView *levMail_ = nullptr;
    QSplitter *splMain_ = nullptr;
    TdfsEnhListView *levQue_ = nullptr;
    TznStatusBar *stuPage_ = nullptr;
    QWidget *notice_ = nullptr;
};
