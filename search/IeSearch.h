#pragma once
// The browser capture panel. It holds the two settings of the browser capture component, a
// program of its own that takes addresses from the pages the user views: the extraction mode and
// the file that receives the addresses. They live in the per-user registry store, key
// Norvane\Trawlex\IeSearch, values "Type" and "Filename"; the panel neither crawls nor shows
// results.

#include "shell/PanelServices.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QEvent;
class QResizeEvent;
class TznRegistry;

namespace Ui {
class TfaIE;
}

class TfaIE final : public QWidget
{
    Q_OBJECT

public:
    // Shows the save dialog for `FileName` with `Filter` over `owner` and returns the chosen
    // file, or nullopt when the user cancelled. Tests put one in place so that no dialog blocks.
    using SaveDialog =
        std::function<std::optional<QString>(QWidget *owner, const QString &FileName, const QString &Filter)>;

    // Section of `reg` that holds the two values.
    static constexpr char settingsSection[] = "IeSearch";

    // The panel as designed, named "fraIE", showing "Manual Extract" and an empty file field until
    // LoadSettings runs. Of `services` it takes the message texts; without them the status texts
    // are empty, as for a key the message table lacks.
    explicit TfaIE(const TPanelServices &services, QWidget *parent = nullptr);
    ~TfaIE() override;
    TfaIE(const TfaIE &) = delete;
    TfaIE &operator=(const TfaIE &) = delete;

    // Puts `dialog` in place of the standard save dialog and returns the one it replaces. An empty
    // one restores the standard dialog (standardSaveDialog).
    SaveDialog setSaveDialog(SaveDialog dialog);
    static std::optional<QString> standardSaveDialog(QWidget *owner, const QString &FileName, const QString &Filter);

    // Puts the stored values into the controls, dropping whatever was typed and not confirmed with
    // OK. The main window calls it each time it shows the panel, just before showing it.
    void LoadSettings();

public Q_SLOTS:
    // Stores the mode, then the file name. A value the store cannot take raises
    // ERegistryException, which ends the click there and reaches the application's error box.
    void btnOKClick();
    // Brings the stored values back.
    void btnCancelClick();
    // Lets the user pick the file through the save dialog; only OK stores it.
    void spbToClick();
    // Opens the maker's support page in the default browser.
    void Label1Click();
    void Label1MouseEnter();
    void Label1MouseLeave();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeStatusBar();
    void fitSupportLink();
    QString message(const QString &key) const;

    std::unique_ptr<Ui::TfaIE> ui_;
    TznRegistry *reg_;
    TPanelServices::MessageLookup paraText_;
    SaveDialog saveDialog_;
    int linkLeft_ = 0; // the support link's designed left edge
};
