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

private:
    TfrmRobotOption *optionDialog() const;

    std::unique_ptr<Ui::TfaRobot> ui_;
    QPointer<TfrmRobotOption> frmRobotOption_;
};
