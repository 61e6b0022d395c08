#pragma once
// The texts of Qt objects under the names the language files use.
//  - "Caption", the text a user reads: windowTitle of a form, text of buttons, check and radio
//    buttons, labels and actions, title of group boxes and menus, or a property "Caption".
//  - "Hint": the tooltip of a widget or an action.
//  - "DisplayLabel": a property of that name, where a component has one.
// Item lists: the nodes of a tree view, the items of a radio group and the columns of a list
// view (TdfsEnhListView; its rows are data and never translated).

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace LangTexts {

enum class Property { Caption, Hint, DisplayLabel };

QString nameOf(Property property);

// nullopt: the object has no such property, and the text rule passes it by.
std::optional<QString> text(const QObject *object, Property property);
void setText(QObject *object, Property property, const QString &text);

// Items numbered from 0. Getting and setting an item leaves the list's length alone.
struct ItemList
{
    int count = 0;
    std::function<QString(int)> text;
    std::function<void(int, const QString &)> setText;
};

bool isTreeView(const QObject *object);
bool isRadioGroup(const QObject *object);
bool isListView(const QObject *object);

// All nodes of a tree view in display order, parents before their children.
std::optional<ItemList> treeNodes(QObject *object);
std::optional<ItemList> radioItems(QObject *object);
std::optional<ItemList> listColumns(QObject *object);

} // namespace LangTexts
