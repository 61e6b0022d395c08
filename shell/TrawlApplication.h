#pragma once
// The application object. An exception that escapes an event handler or slot ends up here and is
// shown to the user in one standard error box; the event counts as unhandled and the program goes
// on, as it would after any other failed command.

#include <QApplication>
#include <QString>

#include <functional>

class TrawlApplication final : public QApplication
{
    Q_OBJECT

public:
    // Shows one error: `title` is the application name, `message` the exception's text.
    using ErrorReporter = std::function<void(const QString &title, const QString &message)>;

    TrawlApplication(int &argc, char **argv);
    ~TrawlApplication() override;
    TrawlApplication(const TrawlApplication &) = delete;
    TrawlApplication &operator=(const TrawlApplication &) = delete;

    bool notify(QObject *receiver, QEvent *event) override;

    // Puts `reporter` in place of the standard error box (tests, which must not block on a modal
    // box) and returns the one it replaces. An empty reporter restores the box.
    ErrorReporter setErrorReporter(ErrorReporter reporter);

    // The standard error box: modal over the active window, a stop icon and an OK button.
    static void showErrorBox(const QString &title, const QString &message);

private:
    void reportError(const QString &message);

    ErrorReporter reporter_;
    bool reporting_ = false;
};
