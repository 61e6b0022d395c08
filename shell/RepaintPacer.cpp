#include "shell/RepaintPacer.h"

#include <QCoreApplication>
#include <QEvent>

TRepaintPacer::TRepaintPacer(QWidget *window) : QObject(window), window_(window)
{
    held_.setSingleShot(true);
    connect(&held_, &QTimer::timeout, this, &TRepaintPacer::repaintNow);
    window->installEventFilter(this);
}

// Qt asks a window to repaint what changed with one posted request, and posts no other until
// that one has been handled; holding it back therefore gathers every later change into it.
bool TRepaintPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window_ || event->type() != QEvent::UpdateRequest || passing_)
        return QObject::eventFilter(watched, event);
    if (held_.isActive())
        return true;
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= interval.count()) {
        sinceRepaint_.start();
        return QObject::eventFilter(watched, event);
    }
    held_.start(interval - std::chrono::milliseconds(sinceRepaint_.elapsed()));
    return true;
}

void TRepaintPacer::repaintNow()
{
    if (window_.isNull())
        return;
    sinceRepaint_.start();
    passing_ = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window_, &request);
    passing_ = false;
}
