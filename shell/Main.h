#pragma once
// The main window. A navigation tree on the left chooses which of the three search panels fills
// the client area; menus and a toolbar above, a status bar with a progress bar below. It owns the
// components that the panels and option dialogs are handed when they are made (panelServices):
// the translation and message table (la), the main settings file (iniMain), help (hlp), the
// status bar (stuMain) and its progress bar (prgMain).
//
// The search panels belong to a layer above this one, so the program start hands the window a
// maker for them (TPanelMaker) instead of the window including them. The components' headers
// come with this one, for whoever uses the window's components.

#include "shell/PanelServices.h"
#include "shell/znHelp.h"
#include "shell/znIniSetting.h"
#include "shell/znLang.h"
#include "shell/znStatusBar.h"

#include <QIcon>
#include <QMainWindow>
#include <QProgressBar>
#include <QString>

#include <functional>
#include <memory>

class QEvent;
class QShowEvent;
class QTreeWidget;
class QTreeWidgetItem;
class TAboutBox;
class TEditActions;
class TznFormPosition;

namespace Ui {
class TfrmMain;
}

class TfrmMain;

// The three search panels as the main window sees them.
struct TMainPanels
{
    QWidget *fraRobot = nullptr;
    QWidget *fraEngine = nullptr;
    QWidget *fraIE = nullptr;
    // Puts the robot or engine panel's splitter where its address list (levMail) is `width`
    // pixels wide. The window calls it each time it shows the panel.
    std::function<void(int width)> setRobotListWidth;
    std::function<void(int width)> setEngineListWidth;
    // Puts the browser capture panel's stored settings back into its controls; called each time
    // the window shows the panel, just before it does.
    std::function<void()> loadIeSettings;
};

// Makes the three panels as children of `panClient` while the main window is being built, handing
// each the window's `services`. The components behind them exist, the global `frmMain` does not
// yet, and FormCreate has not run, so the message table is still empty.
using TPanelMaker = std::function<TMainPanels(const TPanelServices &services, QWidget *panClient)>;

class TfrmMain final : public QMainWindow
{
    Q_OBJECT

public:
    // Panel numbers of the navigation tree's nodes.
    enum Panel { EnginePanel = 0, RobotPanel = 1, IePanel = 2 };
    // Panels of stuMain. stuProgress lies under prgMain.
    enum StatusPanel { stuEngineState = 0, stuProgress = 1, stuEngineCount = 2, stuRobotState = 3, stuRobotCount = 4 };
    // The list width a section has when the settings file holds none, or no whole number.
    static constexpr int defaultListWidth = 200;

    // Builds the window with its components and panels, restores its stored size and state and
    // runs FormCreate. A message file that cannot be read is reported in the application's error
    // box and the window is built all the same.
    explicit TfrmMain(const TPanelMaker &makePanels, QWidget *parent = nullptr);
    ~TfrmMain() override;
    TfrmMain(const TfrmMain &) = delete;
    TfrmMain &operator=(const TfrmMain &) = delete;

    TznLang *la() const { return la_; }
    TznIniSetting *iniMain() const { return iniMain_; }
    TznHelp *hlp() const { return hlp_; }
    TznStatusBar *stuMain() const;
    QProgressBar *prgMain() const;
    QTreeWidget *trvNavigation() const;
    // The window's components as its panels and the option dialogs take them.
    TPanelServices panelServices() const;

    QWidget *fraRobot() const { return panels_.fraRobot; }
    QWidget *fraEngine() const { return panels_.fraEngine; }
    QWidget *fraIE() const { return panels_.fraIE; }

    // Picture `index` of the window's image list iglMain (0 to 9); a null icon outside it.
    QIcon iglMain(int index) const;

public Q_SLOTS:
    void trvNavigationChange(QTreeWidgetItem *Node);
    void actAboutExecute();
    void actQuitExecute();
    void actOnLineSupportExecute();
    void actOnlineForumExecute();
    void actHelpExecute();
    void actHelpItemExecute();
    void actLcExecute();
    void actLtExecute();
    void actLeExecute();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void setVisible(bool visible) override;
    void showEvent(QShowEvent *event) override;

private:
    class Lang;

    void FormCreate();
    void createComponents();
    void buildNavigation();
    void buildStatusBar();
    void placePanels(const TPanelMaker &makePanels);
    void connectHandlers();
    void selectFirstNodeIfNone();
    void switchLanguage(const char *action);
    int listWidth(const QString &section) const;
    void showCaptionFor(const QTreeWidgetItem *node);
    void centreOnScreen();

    std::unique_ptr<Ui::TfrmMain> ui_;
    TznLang *la_ = nullptr;
    TznIniSetting *iniMain_ = nullptr;
    TznFormPosition *znFormPosition1_ = nullptr;
    TznHelp *hlp_ = nullptr;
    TEditActions *editActions_ = nullptr;
    TMainPanels panels_;
    bool centred_ = false;
};

// The forms of the program, each made once at start and kept until it ends (the About box and the
// option dialogs have their references beside their classes). Null until made.
extern TfrmMain *frmMain;
extern TAboutBox *AboutBox;
