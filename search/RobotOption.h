#pragma once
// The robot search options dialog: the initial URL, the result file, the depth and queue limits,
// the link scope and the Japanese-only switch. One instance lives for the whole run and keeps
// what was typed, confirmed or not; nothing of it is stored between runs.

#include "search/OptionDialog.h"

#include <QString>

#include <memory>

namespace Ui {
class TfrmRobotOption;
}

class TfrmRobotOption final : public TOptionDialog
{
    Q_OBJECT

public:
    // Messages and help come from `services`.
    explicit TfrmRobotOption(const TPanelServices &services, QWidget *parent = nullptr);
    ~TfrmRobotOption() override;
    TfrmRobotOption(const TfrmRobotOption &) = delete;
    TfrmRobotOption &operator=(const TfrmRobotOption &) = delete;

    // The values as the panel applies them.
    QString InitUrl() const;

public Q_SLOTS:
    // Closes the dialog when the initial URL starts with exactly "http://"; otherwise warns and
    // keeps it open. Enter in the URL field does the same.
    void btnOkClick();

private:
    std::unique_ptr<Ui::TfrmRobotOption> ui_;
};

// Made once at start, after the engine search options dialog; null until then.
extern TfrmRobotOption *frmRobotOption;
