#include "shell/Main.h"

#include "platform/ShellOpen.h"
#include "shell/About.h"
#include "shell/EditActions.h"
#include "shell/LangRules.h"
#include "shell/LanguageChoice.h"
#include "shell/RepaintPacer.h"
#include "shell/TrawlApplication.h"
#include "shell/WebAddresses.h"
#include "shell/znFormPosition.h"
#include "shell/znHelp.h"
#include "shell/znIniSetting.h"
#include "shell/znLang.h"
#include "shell/znStatusBar.h"
// The generated form names its window parameter after the form, as the global reference is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_Main.h"
#pragma GCC diagnostic pop

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTreeWidget>

#include <exception>
#include <iterator>
#include <utility>

TfrmMain *frmMain = nullptr;
TAboutBox *AboutBox = nullptr;

// The pictures live in a static library, whose resource data the linker keeps only when asked for.
// Outside any namespace: the macro declares the data's loader where it stands.
static void loadImageList()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    (void)loaded;
}

namespace {

constexpr int imageCount = 10;

// The panel a node stands for, kept with the node; a node without one stands for no panel.
constexpr int panelNumberRole = Qt::UserRole;

struct NodeDesign
{
    int image;
    TfrmMain::Panel panel;
};
// The tree's nodes, top to bottom: "Engine Search", "Robot Search", "IE Search".
constexpr NodeDesign nodeDesign[] = {
    {1, TfrmMain::EnginePanel},
    {8, TfrmMain::RobotPanel},
    {9, TfrmMain::IePanel},
};

struct StatusPanelDesign
{
    int width;
    Qt::AlignmentFlag alignment;
};
constexpr StatusPanelDesign statusPanelDesign[] = {
    {100, Qt::AlignHCenter}, {100, Qt::AlignLeft}, {150, Qt::AlignLeft}, {100, Qt::AlignHCenter}, {50, Qt::AlignLeft},
};
constexpr int statusBarHeight = 25;
constexpr QRect progressPlace(103, 3, 97, 22);

constexpr int navigationWidth = 149;
// The platform's gradient colour of an active caption, which the splitter is painted in.
const QColor splitterColour(185, 209, 234);

const QString splitIdent = QStringLiteral("Split");
const QString titleKey = QStringLiteral("Title");
const QString welcomeTopic = QStringLiteral("Welcome.htm");

constexpr Qt::WindowStates placedStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Delivering this event runs a handler as the application runs every event handler, so that an
// exception leaving it takes the one path of all escaped exceptions: through the application
// object to its error report, after which the program goes on.
class HandlerEvent final : public QEvent
{
public:
    explicit HandlerEvent(std::function<void()> handler) : QEvent(eventType()), run(std::move(handler)) {}

    static QEvent::Type eventType()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    const std::function<void()> run;
};

} // namespace

// Every walk of the window sets its caption from the language file, while the caption belongs to
// the selected node: it is composed again after each walk, with the new language's texts.
class TfrmMain::Lang final : public TznLang
{
public:
    explicit Lang(TfrmMain *owner) : TznLang(owner), owner_(owner) {}

    void Translate(QObject *Component, const QString &Prefix) override
    {
        TznLang::Translate(Component, Prefix);
        if (Component == owner_ && Prefix.isEmpty())
            owner_->showCaptionFor(owner_->trvNavigation()->currentItem());
    }

private:
    TfrmMain *owner_;
};

TfrmMain::TfrmMain(const TPanelMaker &makePanels, QWidget *parent)
    : QMainWindow(parent)
    , ui_(std::make_unique<Ui::TfrmMain>())
{
    loadImageList();
    ui_->setupUi(this);
    new TRepaintPacer(this);
    createComponents();
    buildNavigation();
    buildStatusBar();
    for (const auto &[action, image] : {std::pair{ui_->actQuit, 6}, std::pair{ui_->actHelp, 7},
                                        std::pair{ui_->actAbout, 5}, std::pair{ui_->actHelpItem, 7}})
        action->setIcon(iglMain(image));
    editActions_ = new TEditActions(this, {ui_->EditUndo2, ui_->EditCut2, ui_->EditCopy2, ui_->EditPaste2,
                                           ui_->EditDelete2, ui_->EditSelectAll2});
    placePanels(makePanels);
    connectHandlers();

    znFormPosition1_->Loaded();

    HandlerEvent create([this] { FormCreate(); });
    try {
        QCoreApplication::sendEvent(this, &create);
    } catch (const std::exception &error) {
        // Only an application object other than the program's own lets the error through.
        TrawlApplication::showErrorBox(QCoreApplication::applicationName(), QString::fromLocal8Bit(error.what()));
    }
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
    // The children go after this window has stopped being one; nothing may act on it meanwhile
    // when the focus moves among them.
    delete editActions_;
    la_->setEnabled(false);
}

TznStatusBar *TfrmMain::stuMain() const
{
    return ui_->stuMain;
}

QProgressBar *TfrmMain::prgMain() const
{
    return ui_->prgMain;
}

QTreeWidget *TfrmMain::trvNavigation() const
{
    return ui_->trvNavigation;
}

TPanelServices TfrmMain::panelServices() const
{
    // Guarded: a panel or dialog made elsewhere may outlive the window's components.
    const QPointer<TznLang> la = la_;
    const QPointer<TznHelp> hlp = hlp_;
    TPanelServices services;
    services.paraText = [la](const QString &Key) { return la ? la->ParaText(Key) : QString(); };
    services.textEncoding = [la] { return la ? la->TextEncoding() : QByteArray(); };
    services.iniMain = iniMain_;
    services.stuMain = ui_->stuMain;
    services.prgMain = ui_->prgMain;
    services.showHelp = [hlp](const QString &topic) {
        if (hlp)
            hlp->ShowTopic(topic);
    };
    return services;
}

QIcon TfrmMain::iglMain(int index) const
{
    if (index < 0 || index >= imageCount)
        return {};
    return QIcon(QStringLiteral(":/images/iglMain-%1.png").arg(index, 2, 10, QLatin1Char('0')));
}

void TfrmMain::createComponents()
{
    la_ = new Lang(this);
    la_->setObjectName(QStringLiteral("la"));
    la_->setEnabled(true);
    la_->setForceLanguageChange(true);
    la_->setMinFontSize(9);
    la_->setOnlyFont(false);
    la_->OnTranslate = LangRules::translateItemLists;

    iniMain_ = new TznIniSetting(this);
    iniMain_->setObjectName(QStringLiteral("iniMain"));
    iniMain_->setFileName(QStringLiteral("TrawlMain.ini"));

    znFormPosition1_ = new TznFormPosition(this);
    znFormPosition1_->setObjectName(QStringLiteral("znFormPosition1"));
    znFormPosition1_->setManufacturer(QStringLiteral("Norvane"));

    hlp_ = new TznHelp(this);
    hlp_->setObjectName(QStringLiteral("hlp"));
    hlp_->setHelpFile(QStringLiteral("Trawl.chm"));
}

void TfrmMain::buildNavigation()
{
    QTreeWidget *tree = ui_->trvNavigation;
    for (int i = 0; i < tree->topLevelItemCount() && i < int(std::size(nodeDesign)); ++i) {
        QTreeWidgetItem *node = tree->topLevelItem(i);
        node->setIcon(0, iglMain(nodeDesign[i].image));
        node->setData(0, panelNumberRole, int(nodeDesign[i].panel));
    }
    // The tree is the first control of the window: it takes the focus when the window comes up.
    tree->setFocus();
    tree->installEventFilter(this);

    QSplitter *splitter = ui_->splMain;
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({navigationWidth, width() - navigationWidth - splitter->handleWidth()});
    QSplitterHandle *handle = splitter->handle(1);
    QPalette palette = handle->palette();
    palette.setColor(QPalette::Window, splitterColour);
    handle->setPalette(palette);
    handle->setAutoFillBackground(true);
}

void TfrmMain::buildStatusBar()
{
    TznStatusBar *bar = ui_->stuMain;
    bar->setFixedHeight(statusBarHeight);
    for (const StatusPanelDesign &panel : statusPanelDesign)
        bar->AddPanel(panel.width, panel.alignment);
    bar->PlaceControl(ui_->prgMain, progressPlace);
}

void TfrmMain::placePanels(const TPanelMaker &makePanels)
{
    if (makePanels)
        panels_ = makePanels(panelServices(), ui_->panClient);
    // All three share the client panel; the one shown fills it.
    auto *layout = static_cast<QGridLayout *>(ui_->panClient->layout());
    for (QWidget *panel : {panels_.fraRobot, panels_.fraEngine, panels_.fraIE}) {
        if (panel == nullptr)
            continue;
        panel->hide();
        layout->addWidget(panel, 0, 0);
    }
}

void TfrmMain::connectHandlers()
{
    connect(ui_->trvNavigation, &QTreeWidget::currentItemChanged, this, &TfrmMain::trvNavigationChange);
    connect(ui_->actAbout, &QAction::triggered, this, &TfrmMain::actAboutExecute);
    connect(ui_->actQuit, &QAction::triggered, this, &TfrmMain::actQuitExecute);
    connect(ui_->actOnLineSupport, &QAction::triggered, this, &TfrmMain::actOnLineSupportExecute);
    connect(ui_->actOnlineForum, &QAction::triggered, this, &TfrmMain::actOnlineForumExecute);
    connect(ui_->actHelp, &QAction::triggered, this, &TfrmMain::actHelpExecute);
    connect(ui_->actHelpItem, &QAction::triggered, this, &TfrmMain::actHelpItemExecute);
    connect(ui_->actLc, &QAction::triggered, this, &TfrmMain::actLcExecute);
    connect(ui_->actLt, &QAction::triggered, this, &TfrmMain::actLtExecute);
    connect(ui_->actLe, &QAction::triggered, this, &TfrmMain::actLeExecute);
    connect(ui_->mnuEdit, &QMenu::aboutToShow, editActions_, &TEditActions::update);
}

// The language and message files chosen last; the texts follow when the window first becomes
// active. None of the language items is checked until the user picks one.
void TfrmMain::FormCreate()
{
    LanguageChoice::Restore(*la_, *iniMain_);
    ui_->trvNavigation->expandAll();
}

void TfrmMain::trvNavigationChange(QTreeWidgetItem *Node)
{
    for (QWidget *panel : {panels_.fraRobot, panels_.fraEngine, panels_.fraIE}) {
        if (panel != nullptr)
            panel->hide();
    }
    if (Node == nullptr)
        return;
    const QVariant number = Node->data(0, panelNumberRole);
    const auto showSearchPanel = [this, Node](const QString &section, QWidget *panel,
                                              const std::function<void(int)> &setListWidth) {
        const int width = listWidth(section);
        showCaptionFor(Node);
        if (setListWidth)
            setListWidth(width);
        if (panel != nullptr)
            panel->show();
    };
    switch (number.isValid() ? number.toInt() : -1) {
    case RobotPanel:
        showSearchPanel(QStringLiteral("Robot"), panels_.fraRobot, panels_.setRobotListWidth);
        break;
    case EnginePanel:
        showSearchPanel(QStringLiteral("Engine"), panels_.fraEngine, panels_.setEngineListWidth);
        break;
    case IePanel:
        showCaptionFor(Node);
        // What was typed and not confirmed is dropped: the panel shows what is stored.
        if (panels_.loadIeSettings)
            panels_.loadIeSettings();
        if (panels_.fraIE != nullptr)
            panels_.fraIE->show();
        break;
    default:
        break;
    }
}

int TfrmMain::listWidth(const QString &section) const
{
    bool isNumber = false;
    const int width = iniMain_->ReadString(section, splitIdent, QString::number(defaultListWidth)).toInt(&isNumber);
    return isNumber ? width : defaultListWidth;
}

void TfrmMain::showCaptionFor(const QTreeWidgetItem *node)
{
    if (node == nullptr)
        return;
    const QVariant number = node->data(0, panelNumberRole);
    if (!number.isValid() || number.toInt() < EnginePanel || number.toInt() > IePanel)
        return;
    setWindowTitle(la_->ParaText(titleKey) + QStringLiteral(" - ") + node->text(0));
}

void TfrmMain::actAboutExecute()
{
    if (AboutBox != nullptr)
        AboutBox->exec();
}

void TfrmMain::actQuitExecute()
{
    close();
}

void TfrmMain::actOnLineSupportExecute()
{
    ShellOpen::open(WebAddresses::onlineSupport);
}

void TfrmMain::actOnlineForumExecute()
{
    ShellOpen::open(WebAddresses::onlineForum);
}

void TfrmMain::actHelpExecute()
{
    hlp_->ShowTopic(welcomeTopic);
}

void TfrmMain::actHelpItemExecute()
{
    hlp_->ShowTopic(welcomeTopic);
}

void TfrmMain::actLcExecute()
{
    switchLanguage("actLc");
}

void TfrmMain::actLtExecute()
{
    switchLanguage("actLt");
}

void TfrmMain::actLeExecute()
{
    switchLanguage("actLe");
}

void TfrmMain::switchLanguage(const char *action)
{
    const LanguageChoice::Language *language = LanguageChoice::forAction(QString::fromLatin1(action));
    if (language != nullptr)
        LanguageChoice::Switch(*language, *la_, *iniMain_, this, {ui_->actLc, ui_->actLt, ui_->actLe});
}

bool TfrmMain::event(QEvent *event)
{
    if (event->type() == HandlerEvent::eventType()) {
        static_cast<HandlerEvent *>(event)->run();
        return true;
    }
    return QMainWindow::event(event);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The tree, taking the focus without a selected node, selects its first; that shows the first
    // panel. A click gives the focus and selects the clicked node itself.
    if (watched == ui_->trvNavigation && event->type() == QEvent::FocusIn
        && static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason)
        selectFirstNodeIfNone();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::selectFirstNodeIfNone()
{
    QTreeWidget *tree = ui_->trvNavigation;
    if (tree->currentItem() == nullptr && tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
}

void TfrmMain::setVisible(bool visible)
{
    if (visible && !centred_) {
        centred_ = true;
        centreOnScreen();
    }
    QMainWindow::setVisible(visible);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // A window that never gets the focus (some window managers hold it back) still shows its
    // first panel.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, &TfrmMain::selectFirstNodeIfNone, Qt::QueuedConnection);
}

// At every start the window first shows centred on the screen, at its restored or designed size;
// a restored maximized state stays, its normal place centred for when the user leaves it.
void TfrmMain::centreOnScreen()
{
    const QScreen *display = screen();
    if (display == nullptr)
        return;
    const Qt::WindowStates states = windowState();
    const bool placed = (states & placedStates) != 0;
    QRect normal = placed && normalGeometry().isValid() ? normalGeometry() : geometry();
    normal.moveCenter(display->availableGeometry().center());
    if (!placed) {
        setGeometry(normal);
        return;
    }
    setWindowState(states & ~placedStates);
    setGeometry(normal);
    setWindowState(states);
}
