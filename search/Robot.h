#pragma once
// The robot search panel: crawls from one initial URL, level by level, configured through the
// robot search options dialog.

#include "search/CrawlPanel.h"

#include <QPointer>

#include <memory>

class TfrmRobotOption;

namespace Ui {
class TfaRobot;
}

class TfaRobot final : public TCrawlPanel
{
    Q_OBJECT

public:
    // The panel as designed, named "fraRobot", reporting through `services`.
    explicit TfaRobot(const TPanelServices &services, QWidget *parent = nullptr);
    ~TfaRobot() override;
    TfaRobot(const TfaRobot &) = delete;
    TfaRobot &operator=(const TfaRobot &) = delete;

    // The options dialog. It is made after the main window and its panels, so it comes in
    // afterwards; until then the options button does nothing.
    void setOptionDialog(TfrmRobotOption *dialog);

public Q_SLOTS:
    // Start: refused with a message until the options were confirmed; a start while the crawl
    // still runs changes nothing.
    void Button1Click();
    // Stop request; the page being fetched is still reported.
    void Button2Click();
    // Options: unless cancelled, the dialog's values go into the crawl component.
    void Button3Click();
    // Resume: the stopped thorough crawl kept beside the result file goes on where it stopped.
    void Button4Click();

private:
    TfrmRobotOption *optionDialog() const;
    // A thorough crawl keeps its state beside the result file: a new one begins it afresh, a
    // resumed one goes on with it. False when a crawl still runs.
    bool startCrawl(bool resume);
    // A crawl that ended of itself leaves nothing to resume; a stopped one does.
    void crawlEnded();
    // Resume is offered, with the state file named, while the file beside the result file holds
    // a crawl from the address the options start at.
    void offerResume();

    std::unique_ptr<Ui::TfaRobot> ui_;
    QPointer<TfrmRobotOption> frmRobotOption_;
    int buttonsPanelWidth_ = 0;
    QString optionsSummary_;
    bool keptFileShown_ = false;
    QByteArray runningStateFile_; // where the crawl that runs, or ran last, keeps its state
};
