#pragma once
// The windowed program from start to end: the help binding and the pictures, the application
// object and its title, the four forms in their order, the message loop until the main window
// closes, and the forms and the help binding released again.

#include <QCoreApplication>
#include <QString>

#include <functional>

class QWidget;
struct TMainPanels;
struct TPanelServices;

namespace ProgramStart {

// The application title: the taskbar text, the caption of message boxes, and part of the key the
// main window keeps its place under, so it is set before any form exists.
inline constexpr char title[] = "Norvane Trawlex";

// The main window's search panels, made inside `panClient` with the window's `services`: fraRobot,
// fraEngine and fraIE.
TMainPanels makeMainPanels(const TPanelServices &services, QWidget *panClient);

// Makes frmMain (which builds its panels, restores its place and runs FormCreate), then AboutBox,
// frmEngineOption and frmRobotOption, hidden, and hands the panels their option dialogs. Needs
// the application object with its title.
void createForms();
// Destroys the forms made by createForms and clears their references.
void destroyForms();

// The whole windowed program; returns its exit code. `session` runs once the main window is
// shown and gives the exit code: the message loop until the window closes, unless a benchmark
// drives the window itself.
int run(int &argc, char **argv, const std::function<int()> &session = [] { return QCoreApplication::exec(); });

} // namespace ProgramStart
