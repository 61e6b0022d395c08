#include "app/ProgramStart.h"

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

// The About box's JPEG picture and the image list are resources of a static library, kept only
// when asked for. Outside any namespace: the macro declares the data's loader where it stands.
static void loadPictures()
{
    Q_INIT_RESOURCE(images);
}

namespace ProgramStart {

TMainPanels makeMainPanels(TfrmMain &main, QWidget *panClient)
{
    auto *robot = new TfaRobot(panClient);
    auto *engine = new TfaEngine(panClient);
    auto *ie = new TfaIE(panClient);
    TznLang *la = main.la();
    ie->setMessageLookup([la](const QString &Key) { return la->ParaText(Key); });

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
    frmEngineOption = new TfrmEngineOption(frmMain);
    frmRobotOption = new TfrmRobotOption(frmMain);
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

int run(int &argc, char **argv)
{
    HtmlHelp::bind();
    loadPictures();

    TrawlApplication application(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(title));

    createForms();
    frmMain->show();
    const int exitCode = QCoreApplication::exec();
    destroyForms();
    HtmlHelp::release();
    return exitCode;
}

} // namespace ProgramStart
