#include "shell/znFormPosition.h"

#include "platform/RegistryStore.h"

#include <QEvent>
#include <QGuiApplication>

namespace {

// The maker's name, the second element of the key path.
QString defaultManufacturer()
{
    return QStringLiteral("Norvane");
}

enum StoredState : qint32 { Normal = 0, Minimized = 1, Maximized = 2 };

constexpr Qt::WindowStates placementStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

std::optional<Qt::WindowState> windowStateFor(qint32 stored)
{
    switch (stored) {
    case Normal:
        return Qt::WindowNoState;
    case Minimized:
        return Qt::WindowMinimized;
    case Maximized:
        return Qt::WindowMaximized;
    default:
        return std::nullopt;
    }
}

} // namespace

TznFormPosition::TznFormPosition(QWidget *owner)
    : QObject(owner), owner_(owner), manufacturer_(defaultManufacturer())
{
    if (owner != nullptr)
        owner->installEventFilter(this);
}

QString TznFormPosition::positionKey() const
{
    return QStringLiteral("SOFTWARE\\") + manufacturer_ + QLatin1Char('\\') + QGuiApplication::applicationDisplayName()
           + QStringLiteral("\\Position");
}

void TznFormPosition::Loaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    restore();
}

bool TznFormPosition::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == owner_.data()) {
        if (event->type() == QEvent::Close)
            save(); // the close goes on to the form as usual, whatever it decides
        else if (event->type() == QEvent::Show)
            Loaded();
    }
    return QObject::eventFilter(watched, event);
}

// Each value takes effect as soon as it is read; a missing or malformed one ends the restore
// there, keeping what was set before it. A "State" other than 0, 1 or 2 (a hand edit) counts as
// malformed: the form keeps its designed state.
void TznFormPosition::restore()
{
    QWidget *form = owner_.data();
    if (form == nullptr)
        return;
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, positionKey(), false);
    if (!key)
        return;

    using Apply = void (*)(QRect &, int);
    const std::pair<const char *, Apply> bounds[] = {
        {"Left", [](QRect &r, int v) { r.moveLeft(v); }},
        {"Top", [](QRect &r, int v) { r.moveTop(v); }},
        {"Width", [](QRect &r, int v) { r.setWidth(v); }},
        {"Height", [](QRect &r, int v) { r.setHeight(v); }},
    };
    for (const auto &[name, apply] : bounds) {
        const std::optional<qint32> value = key->readInteger(QLatin1StringView(name));
        if (!value)
            return;
        QRect geometry = form->geometry();
        apply(geometry, *value);
        form->setGeometry(geometry);
    }
    const std::optional<qint32> stored = key->readInteger(QStringLiteral("State"));
    const std::optional<Qt::WindowState> state = stored ? windowStateFor(*stored) : std::nullopt;
    if (state)
        form->setWindowState((form->windowState() & ~placementStates) | *state);
}

void TznFormPosition::save()
{
    QWidget *form = owner_.data();
    if (form == nullptr)
        return;
    const Qt::WindowStates states = form->windowState();
    qint32 state = Normal;
    if (states & Qt::WindowMinimized)
        state = Minimized;
    else if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        state = Maximized;

    // The bounds of the normal state, which the window returns to from maximized. Qt keeps them
    // while the window stays maximized, so the window need not visibly return to normal size
    // first, and a close that is then refused leaves it as it was.
    QRect bounds = form->geometry();
    if ((states & (Qt::WindowMaximized | Qt::WindowFullScreen)) && form->normalGeometry().isValid())
        bounds = form->normalGeometry();

    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, positionKey(), true);
    if (!key)
        return;
    // A position that cannot be stored is lost silently: an error here would stop the window
    // from closing.
    key->writeValues({
        {QStringLiteral("Left"), qint32(bounds.left())},
        {QStringLiteral("Top"), qint32(bounds.top())},
        {QStringLiteral("Width"), qint32(bounds.width())},
        {QStringLiteral("Height"), qint32(bounds.height())},
        {QStringLiteral("State"), state},
    });
}
