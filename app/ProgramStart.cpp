#include "app/ProgramStart.h"

#include "platform/ProgramFolder.h"
#include "platform/RegistryStore.h"
#include "search/Engine.h"
#include "search/EngineOption.h"
#include "search/IeSearch.h"
#include "search/Robot.h"
#include "search/RobotOption.h"
#include "shell/About.h"
#include "shell/HtmlHelp.h"
#include "shell/Main.h"
#include "shell/TrawlApplication.h"
#include "shell/znLang.h"

#include <QMessageBox>

// The About box's JPEG picture and the image list are resources of a static library, kept only
// when asked for. Outside any namespace: the macro declares the data's loader where it stands.
static void loadPictures()
{
    Q_INIT_RESOURCE(images);
}

namespace {

// Told once, on the start that made the per-user folder, and without holding up the start: the
// user would otherwise look for Emails.txt beside the program.
void tellWhereFilesAreKept(TfrmMain *window)
{
    const QString text = window->la()->ParaText(QStringLiteral("FilesFolder")) + QStringLiteral(":\n")
        + ProgramFolder::path();
    auto *box = new QMessageBox(QMessageBox::Information, QCoreApplication::applicationName(), text,
                                QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

namespace ProgramStart {

TMainPanels makeMainPanels(const TPanelServices &services, QWidget *panClient)
{
    auto *robot = new TfaRobot(services, panClient);
    auto *engine = new TfaEngine(services, panClient);
    auto *ie = new TfaIE(services, panClient);

    TMainPanels panels;
    panels.fraRobot = robot;
    panels.fraEngine = engine;
    panels.fraIE = ie;
    panels.setRobotListWidth = [robot](int width) { robot->SetMailListWidth(width); };
    panels.setEngineListWidth = [engine](int width) { engine->SetMailListWidth(width); };
    panels.loadIeSettings = [ie] { ie->LoadSettings(); };
    return panels;
}

void createForms()
{
    frmMain = new TfrmMain(&makeMainPanels);
    // The dialogs open over the main window and go with it.
    AboutBox = new TAboutBox(frmMain);
    const TPanelServices services = frmMain->panelServices();
    frmEngineOption = new TfrmEngineOption(services, frmMain);
    frmRobotOption = new TfrmRobotOption(services, frmMain);
    // The panels were made with the main window, before their dialogs could be.
    if (auto *engine = qobject_cast<TfaEngine *>(frmMain->fraEngine()))
        engine->setOptionDialog(frmEngineOption);
    if (auto *robot = qobject_cast<TfaRobot *>(frmMain->fraRobot()))
        robot->setOptionDialog(frmRobotOption);
}

void destroyForms()
{
    delete frmRobotOption;
    frmRobotOption = nullptr;
    delete frmEngineOption;
    frmEngineOption = nullptr;
    delete AboutBox;
    AboutBox = nullptr;
    delete frmMain;
    frmMain = nullptr;
}

int run(int &argc, char **argv, const std::function<int()> &session)
{
    HtmlHelp::bind();
    loadPictures();

    TrawlApplication application(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(title));

    createForms();
    frmMain->show();
    if (ProgramFolder::isPerUserFolderNew())
        tellWhereFilesAreKept(frmMain);
    const int exitCode = session();
    {
        // Each view of the forms keeps its settings as it goes: one write of the store for all.
        const RegistryStore::Batch oneWrite;
        destroyForms();
    }
    HtmlHelp::release();
    return exitCode;
}

} // namespace ProgramStart
