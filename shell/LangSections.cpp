#include "shell/LangSections.h"

#include <QAction>
#include <QVariant>
#include <QWidget>

#include <vector>

namespace {

constexpr char panelProperty[] = "TrawlexPanel";

bool isComponent(const QObject *object)
{
    if (qobject_cast<const QWidget *>(object) == nullptr && qobject_cast<const QAction *>(object) == nullptr)
        return false;
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Another form's controls are its own; it is translated when it becomes active.
bool isSeparateWindow(const QObject *object)
{
    return LangSections::isForm(object);
}

} // namespace

namespace LangSections {

QString pathOf(const QString &prefix, const QString &name)
{
    return prefix.isEmpty() ? name : prefix + QLatin1Char('_') + name;
}

QString propertySection(const QString &path, const QString &property)
{
    return path + QLatin1Char('_') + property;
}

QString listSection(const QString &path, const QString &listName)
{
    return path + listName;
}

void markAsPanel(QWidget *panel)
{
    if (panel != nullptr)
        panel->setProperty(panelProperty, true);
}

bool isPanel(const QObject *object)
{
    return qobject_cast<const QWidget *>(object) != nullptr && object->property(panelProperty).toBool();
}

bool isForm(const QObject *object)
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    if (widget == nullptr || !widget->isWindow())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip;
}

QList<QObject *> ownedComponents(const QObject *owner)
{
    QList<QObject *> owned;
    if (owner == nullptr || !(isForm(owner) || isPanel(owner)))
        return owned;
    // Depth first in creation order. Every object of the tree is pushed once, so the walk ends
    // after as many steps as the owner has descendants.
    std::vector<QObject *> pending;
    const auto pushChildren = [&pending](const QObject *parent) {
        const QObjectList &children = parent->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    };
    pushChildren(owner);
    while (!pending.empty()) {
        QObject *object = pending.back();
        pending.pop_back();
        if (isSeparateWindow(object))
            continue;
        if (isComponent(object))
            owned.append(object);
        if (!isPanel(object))
            pushChildren(object);
    }
    return owned;
}

} // namespace LangSections
