#include "shell/LangTexts.h"

#include "shell/EnhListView.h"
#include "shell/LangSections.h"
#include "shell/RadioGroup.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVariant>

#include <vector>

namespace {

bool hasProperty(const QObject *object, const char *name)
{
    return object->metaObject()->indexOfProperty(name) >= 0 || object->dynamicPropertyNames().contains(name);
}

// QAction reports its text, mnemonics and "..." stripped, as its tooltip when none was set, and
// tells no one which of the two it returns. Only a tooltip that was set is a hint, even one
// that reads like the caption ("Help" on an action "Help"). A probe text tells them apart: a
// derived tooltip follows the text, a set one does not. The text is put back at once, quietly.
QString actionHint(const QAction *action)
{
    const QString tip = action->toolTip();
    auto *probed = const_cast<QAction *>(action);
    const QString text = probed->text();
    const QSignalBlocker quiet(probed);
    probed->setText(tip + QStringLiteral(" probe"));
    const bool derived = probed->toolTip() != tip;
    probed->setText(text);
    return derived ? QString() : tip;
}

std::optional<QString> caption(const QObject *object)
{
    if (hasProperty(object, "Caption"))
        return object->property("Caption").toString();
    if (LangSections::isForm(object))
        return static_cast<const QWidget *>(object)->windowTitle();
    if (const auto *button = qobject_cast<const QAbstractButton *>(object))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(object))
        return label->text();
    if (const auto *group = qobject_cast<const QGroupBox *>(object))
        return group->title();
    if (const auto *menu = qobject_cast<const QMenu *>(object))
        return menu->title();
    if (const auto *action = qobject_cast<const QAction *>(object))
        return action->text();
    return std::nullopt;
}

void setCaption(QObject *object, const QString &text)
{
    if (hasProperty(object, "Caption"))
        object->setProperty("Caption", text);
    else if (LangSections::isForm(object))
        static_cast<QWidget *>(object)->setWindowTitle(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(object))
        group->setTitle(text);
    else if (auto *menu = qobject_cast<QMenu *>(object))
        menu->setTitle(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setText(text);
}

std::optional<QString> hint(const QObject *object)
{
    if (const auto *widget = qobject_cast<const QWidget *>(object))
        return widget->toolTip();
    if (const auto *action = qobject_cast<const QAction *>(object))
        return actionHint(action);
    return std::nullopt;
}

void setHint(QObject *object, const QString &text)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setToolTip(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setToolTip(text);
}

} // namespace

namespace LangTexts {

QString nameOf(Property property)
{
    switch (property) {
    case Property::Caption:
        return QStringLiteral("Caption");
    case Property::Hint:
        return QStringLiteral("Hint");
    case Property::DisplayLabel:
        return QStringLiteral("DisplayLabel");
    }
    return {};
}

std::optional<QString> text(const QObject *object, Property property)
{
    if (object == nullptr)
        return std::nullopt;
    switch (property) {
    case Property::Caption:
        return caption(object);
    case Property::Hint:
        return hint(object);
    case Property::DisplayLabel:
        if (hasProperty(object, "DisplayLabel"))
            return object->property("DisplayLabel").toString();
        return std::nullopt;
    }
    return std::nullopt;
}

void setText(QObject *object, Property property, const QString &text)
{
    if (object == nullptr)
        return;
    switch (property) {
    case Property::Caption:
        setCaption(object, text);
        break;
    case Property::Hint:
        setHint(object, text);
        break;
    case Property::DisplayLabel:
        if (hasProperty(object, "DisplayLabel"))
            object->setProperty("DisplayLabel", text);
        break;
    }
}

bool isListView(const QObject *object)
{
    return qobject_cast<const TdfsEnhListView *>(object) != nullptr;
}

bool isTreeView(const QObject *object)
{
    return qobject_cast<const QTreeWidget *>(object) != nullptr;
}

bool isRadioGroup(const QObject *object)
{
    return qobject_cast<const TRadioGroup *>(object) != nullptr;
}

std::optional<ItemList> treeNodes(QObject *object)
{
    if (!isTreeView(object))
        return std::nullopt;
    auto *tree = static_cast<QTreeWidget *>(object);
    // Parents before children, each level in display order; every node is pushed once.
    std::vector<QTreeWidgetItem *> nodes;
    std::vector<QTreeWidgetItem *> pending;
    for (int i = tree->topLevelItemCount() - 1; i >= 0; --i)
        pending.push_back(tree->topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem *node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    ItemList list;
    list.count = int(nodes.size());
    list.text = [nodes](int i) { return nodes[size_t(i)]->text(0); };
    list.setText = [nodes](int i, const QString &text) { nodes[size_t(i)]->setText(0, text); };
    return list;
}

std::optional<ItemList> radioItems(QObject *object)
{
    auto *group = qobject_cast<TRadioGroup *>(object);
    if (group == nullptr)
        return std::nullopt;
    ItemList list;
    list.count = group->Count();
    list.text = [group](int i) { return group->Item(i); };
    list.setText = [group](int i, const QString &text) { group->setItem(i, text); };
    return list;
}

std::optional<ItemList> listColumns(QObject *object)
{
    if (!isListView(object))
        return std::nullopt;
    auto *view = static_cast<TdfsEnhListView *>(object);
    ItemList list;
    list.count = view->columnCount();
    list.text = [view](int i) { return view->ColumnCaption(i); };
    list.setText = [view](int i, const QString &text) { view->SetColumnCaption(i, text); };
    return list;
}

} // namespace LangTexts
