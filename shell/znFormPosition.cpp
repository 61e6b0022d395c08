#include "shell/znFormPosition.h"

#include "platform/RegistryStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

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
    QWidget *form = owner_.data();
    if (form == nullptr)
        return QObject::eventFilter(watched, event);
    if (watched == form) {
        switch (event->type()) {
        case QEvent::Close:
            save(); // the close goes on to the form as usual, whatever it decides
            break;
        case QEvent::Show:
            Loaded();
            if (!shown_) {
                shown_ = true;
                const bool placed = (form->windowState() & placementStates) != 0;
                unframedOuter_ = placed && form->normalGeometry().isValid() ? form->normalGeometry() : form->geometry();

                // The window exists now; its exposures tell when the window manager has framed it.
                if (QWindow *window = form->windowHandle())
                    window->installEventFilter(this);
            }
            break;
        default:
            break;
        }
    } else if (watched == form->windowHandle() && event->type() == QEvent::Expose) {
        fitIntoFrame();
    }
    return QObject::eventFilter(watched, event);
}

void TznFormPosition::fitIntoFrame()
{
    QWidget *form = owner_.data();
    QWindow *window = form != nullptr ? form->windowHandle() : nullptr;
    if (!unframedOuter_ || window == nullptr || !window->isExposed())
        return;
    const QRect outer = *unframedOuter_;
    unframedOuter_.reset();
    window->removeEventFilter(this);
    // A window that first shows maximized or minimized keeps its normal bounds as they were
    // given, outer ones, and they are stored as such; once it returns to normal under a window
    // manager, its outer bounds are larger by the frame.
    if (form->windowState() & placementStates)
        return;
    // A window manager frames the window before it is first exposed: margins still none then
    // mean a window without a frame, whose outer bounds are its client bounds already.
    const QMargins frame = window->frameMargins();
    normalFrame_ = frame;
    // A size set since the showing was meant as it is; a window moved since (by the program, or
    // by a window manager that places windows itself) keeps its client place.
    if (frame.isNull() || form->size() != outer.size())
        return;
    const QPoint client = form->geometry().topLeft();
    const QPoint place = client == outer.topLeft() ? client + QPoint(frame.left(), frame.top()) : client;
    form->setGeometry(QRect(place, outer.size().shrunkBy(frame)));
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

    // The outer bounds of the normal state, which the window returns to from maximized. Qt keeps
    // the normal client bounds while the window stays maximized, so the window need not visibly
    // return to normal size first, and a close that is then refused leaves it as it was. Until
    // the client area was fitted into a frame, the normal bounds are still the outer ones.
    QRect bounds = form->frameGeometry();
    if ((states & (Qt::WindowMaximized | Qt::WindowFullScreen)) && form->normalGeometry().isValid())
        bounds = form->normalGeometry().marginsAdded(normalFrame_.value_or(QMargins()));

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
