#include "shell/znHelp.h"

#include "platform/ProgramFolder.h"
#include "shell/HtmlHelp.h"

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

namespace {

// The help window goes with the application's main window: the form that owns this component,
// or, for a component without a form, the first main window there is.
QWidget *mainWindow(const QObject *component)
{
    for (QObject *o = component->parent(); o != nullptr; o = o->parent()) {
        if (auto *widget = qobject_cast<QWidget *>(o))
            return widget->window();
    }
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (qobject_cast<QMainWindow *>(window) != nullptr)
            return window;
    }
    return nullptr;
}

} // namespace

TznHelp::TznHelp(QObject *owner)
    : QObject(owner)
{
}

QString TznHelp::FullHelpFile() const
{
    // Not ProgramFolder::resolve: even a name that looks absolute stays inside the folder. The
    // help file is shipped, never written, so it is read where the program's files were laid.
    return ProgramFolder::shippedPath() + helpFile_;
}

void TznHelp::ShowTopic(const QString &topic) const
{
    HtmlHelp::htmlHelp(mainWindow(this), FullHelpFile(), HtmlHelp::displayTopic, topic);
}
