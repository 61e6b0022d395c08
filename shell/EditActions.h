#pragma once
// The standard edit commands of a window's Edit menu: Undo, Cut, Copy, Paste, Delete and Select
// All, acting on the text field or result list that has the focus in that window. Each command is
// enabled only while it can act there: Undo when there is something to undo, Cut and Delete when
// there is a selection the field lets the user change, Copy when there is a selection that may be
// copied, Paste when the clipboard holds text and the field can be changed, Select All when the
// field holds text. A result list (TdfsEnhListView) offers only Copy, while rows are selected (the
// rows as the list's Ctrl+C copies them), and Select All, while it has rows. While neither has the
// focus all six are disabled.
//
// Text fields are line edits (also those of spin boxes and editable combo boxes) and plain or
// rich text edits.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWidget;

class TEditActions final : public QObject
{
    Q_OBJECT

public:
    struct Actions
    {
        QAction *undo = nullptr;
        QAction *cut = nullptr;
        QAction *copy = nullptr;
        QAction *paste = nullptr;
        QAction *del = nullptr;
        QAction *selectAll = nullptr;
    };

    // Drives `actions` for the focused field of `window`, for as long as this object lives.
    TEditActions(QWidget *window, const Actions &actions);
    TEditActions(const TEditActions &) = delete;
    TEditActions &operator=(const TEditActions &) = delete;

    // The text field or result list the commands act on: the window's focus widget when it is
    // one, else nullptr.
    QWidget *target() const;

    // The text field inside `widget` that the commands would act on, or nullptr.
    static QWidget *textFieldOf(QWidget *widget);

public Q_SLOTS:
    // Enables and disables the six commands for the field as it is now. Called on every change
    // that can matter; a menu about to open calls it too, since a field's read-only switch has no
    // signal.
    void update();

private:
    void follow(QWidget *field);
    void execute(const std::function<void(QWidget *field)> &command);

    QPointer<QWidget> window_;
    Actions actions_;
    QPointer<QWidget> followed_;
    QList<QMetaObject::Connection> fieldConnections_;
};
