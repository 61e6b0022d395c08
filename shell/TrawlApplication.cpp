#include "shell/TrawlApplication.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QtGlobal>

#include <exception>
#include <utility>

TrawlApplication::TrawlApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

TrawlApplication::~TrawlApplication() = default;

bool TrawlApplication::notify(QObject *receiver, QEvent *event)
{
    // Nothing may unwind through Qt's event dispatch, so every failure stops here.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

TrawlApplication::ErrorReporter TrawlApplication::setErrorReporter(ErrorReporter reporter)
{
    return std::exchange(reporter_, std::move(reporter));
}

void TrawlApplication::showErrorBox(const QString &title, const QString &message)
{
    QMessageBox::critical(QApplication::activeWindow(), title, message);
}

void TrawlApplication::reportError(const QString &message)
{
    // A box belongs to the interface thread; a failure on another thread is shown from there,
    // later, and that thread carries on at once.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, message] { reportError(message); }, Qt::QueuedConnection);
        return;
    }
    // The open box runs its own event loop. A handler that keeps failing there (a paint, a timer)
    // would stack box upon box; those failures go to the log instead.
    if (reporting_) {
        qCritical("%s", qUtf8Printable(message));
        return;
    }
    reporting_ = true;
    try {
        if (reporter_)
            reporter_(applicationName(), message);
        else
            showErrorBox(applicationName(), message);
    } catch (...) {
        qCritical("%s", qUtf8Printable(message));
    }
    reporting_ = false;
}
