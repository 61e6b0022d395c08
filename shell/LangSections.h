#pragma once
// Where a component's texts live in a language file: its path (the owners' names joined by "_")
// and the section names built from it, and which components a form or panel owns.
//
// Ownership, not visual nesting, makes the path: a form or a panel owns every named control,
// menu and action inside it, however deeply placed in group boxes, status bars or layouts, up to
// but not into a nested panel (which owns its own) or another window. A plain control owns
// nothing. So the list of the robot panel's results is section "frmMain_fraRobotlevMail".

#include <QList>
#include <QObject>
#include <QString>

class QWidget;

namespace LangSections {

inline constexpr char fontSection[] = "Font";
inline constexpr char charsetIdent[] = "FontCharset";

// Prefix empty (a form walked from the top): the name; otherwise prefix + "_" + name.
QString pathOf(const QString &prefix, const QString &name);
// Property sections join with "_": "frmMain_Caption", "frmMain_fraRobot_Hint".
QString propertySection(const QString &path, const QString &property);
// List sections join with nothing: "frmMaintrvNavigation", "frmMain_fraRobotlevMail".
QString listSection(const QString &path, const QString &listName);

// A panel is a widget placed inside a form that owns its controls as a form does (the search
// panels of the main window). Designer forms can set the dynamic property "TrawlexPanel" to true
// instead of calling this.
void markAsPanel(QWidget *panel);
bool isPanel(const QObject *object);

// Top-level windows other than popups (menus, tooltips): forms and dialogs.
bool isForm(const QObject *object);

// The controls, menus and actions `owner` owns, in the order they were made (depth first, as
// a form's designer creates them). Empty unless `owner` is a form or a panel. Unnamed objects
// and the internals of Qt's composite widgets ("qt_" names) are not components of the design
// and are left out; their fonts follow their parents.
QList<QObject *> ownedComponents(const QObject *owner);

} // namespace LangSections
