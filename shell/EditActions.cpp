#include "shell/EditActions.h"

#include "shell/EnhListView.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// What a command needs to know of a field, whatever kind of field it is.
struct FieldState
{
    bool readOnly = true;
    bool canUndo = false;
    bool hasSelection = false;
    bool selectionMayBeCopied = false;
    bool hasText = false;
};

template <class Edit>
FieldState textEditState(const Edit *edit)
{
    FieldState state;
    state.readOnly = edit->isReadOnly();
    state.canUndo = edit->isUndoRedoEnabled() && edit->document()->isUndoAvailable();
    state.hasSelection = edit->textCursor().hasSelection();
    state.selectionMayBeCopied = state.hasSelection;
    state.hasText = !edit->document()->isEmpty();
    return state;
}

FieldState stateOf(const QWidget *field)
{
    if (const auto *list = qobject_cast<const TdfsEnhListView *>(field)) {
        FieldState state;
        state.hasSelection = list->HasSelectedRows();
        state.selectionMayBeCopied = state.hasSelection;
        state.hasText = list->RowCount() > 0;
        return state;
    }
    if (const auto *line = qobject_cast<const QLineEdit *>(field)) {
        FieldState state;
        state.readOnly = line->isReadOnly();
        state.canUndo = line->isUndoAvailable();
        state.hasSelection = line->hasSelectedText();
        // A hidden text never leaves its field.
        state.selectionMayBeCopied = state.hasSelection && line->echoMode() == QLineEdit::Normal;
        state.hasText = !line->text().isEmpty();
        return state;
    }
    if (const auto *edit = qobject_cast<const QTextEdit *>(field))
        return textEditState(edit);
    if (const auto *edit = qobject_cast<const QPlainTextEdit *>(field))
        return textEditState(edit);
    return {};
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

// One command for each kind of field; a list has only some. The caller has checked that the
// command may act there.
struct Command
{
    void (*line)(QLineEdit *);
    void (*text)(QTextEdit *);
    void (*plain)(QPlainTextEdit *);
    void (*list)(TdfsEnhListView *) = nullptr;

    void operator()(QWidget *field) const
    {
        if (auto *listView = qobject_cast<TdfsEnhListView *>(field)) {
            if (list != nullptr)
                list(listView);
        } else if (auto *lineEdit = qobject_cast<QLineEdit *>(field))
            line(lineEdit);
        else if (auto *textEdit = qobject_cast<QTextEdit *>(field))
            text(textEdit);
        else if (auto *plainEdit = qobject_cast<QPlainTextEdit *>(field))
            plain(plainEdit);
    }
};

// For fields whose member of that name does the command.
template <class Call>
constexpr Command same(Call call)
{
    return {call, call, call};
}

template <class Call>
constexpr Command withList(Command command, Call call)
{
    command.list = call;
    return command;
}

constexpr auto deleteSelection = [](auto *edit) {
    QTextCursor cursor = edit->textCursor();
    cursor.removeSelectedText();
    edit->setTextCursor(cursor);
};

const Command undoCommand = same([](auto *edit) { edit->undo(); });
const Command cutCommand = same([](auto *edit) { edit->cut(); });
const Command copyCommand = withList(same([](auto *edit) { edit->copy(); }),
                                     [](TdfsEnhListView *list) { list->CopySelectedRows(); });
const Command pasteCommand = same([](auto *edit) { edit->paste(); });
// With a selection, a line edit's del() removes exactly the selection.
const Command deleteCommand = {[](QLineEdit *edit) { edit->del(); }, deleteSelection, deleteSelection};
const Command selectAllCommand = withList(same([](auto *edit) { edit->selectAll(); }),
                                          [](TdfsEnhListView *list) { list->selectAll(); });

} // namespace

TEditActions::TEditActions(QWidget *window, const Actions &actions)
    : QObject(window), window_(window), actions_(actions)
{
    const std::pair<QAction *, const Command *> commands[] = {
        {actions_.undo, &undoCommand},   {actions_.cut, &cutCommand},       {actions_.copy, &copyCommand},
        {actions_.paste, &pasteCommand}, {actions_.del, &deleteCommand},     {actions_.selectAll, &selectAllCommand},
    };
    for (const auto &[action, command] : commands) {
        if (action != nullptr)
            connect(action, &QAction::triggered, this, [this, command = command] { execute(*command); });
    }
    connect(qApp, &QApplication::focusChanged, this, &TEditActions::update);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TEditActions::update);
    update();
}

QWidget *TEditActions::textFieldOf(QWidget *widget)
{
    if (widget == nullptr)
        return nullptr;
    if (qobject_cast<QLineEdit *>(widget) != nullptr || qobject_cast<QTextEdit *>(widget) != nullptr
        || qobject_cast<QPlainTextEdit *>(widget) != nullptr)
        return widget;
    // Composite fields keep the focus themselves and pass the keys to their inner line edit.
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->lineEdit();
    if (qobject_cast<QAbstractSpinBox *>(widget) != nullptr)
        return widget->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    return nullptr;
}

QWidget *TEditActions::target() const
{
    if (!window_)
        return nullptr;
    QWidget *focused = window_->focusWidget();
    if (qobject_cast<TdfsEnhListView *>(focused) != nullptr)
        return focused;
    return textFieldOf(focused);
}

void TEditActions::update()
{
    QWidget *field = target();
    follow(field);
    const FieldState state = stateOf(field);
    const bool writable = field != nullptr && !state.readOnly;
    const std::pair<QAction *, bool> enabled[] = {
        {actions_.undo, writable && state.canUndo},
        {actions_.cut, writable && state.selectionMayBeCopied},
        {actions_.copy, state.selectionMayBeCopied},
        {actions_.paste, writable && clipboardHasText()},
        {actions_.del, writable && state.hasSelection},
        {actions_.selectAll, state.hasText},
    };
    for (const auto &[action, on] : enabled) {
        if (action != nullptr)
            action->setEnabled(on);
    }
}

// Listens to the field the commands act on, so that they follow its text and selection.
void TEditActions::follow(QWidget *field)
{
    if (field == followed_.data())
        return;
    for (const QMetaObject::Connection &connection : std::as_const(fieldConnections_))
        disconnect(connection);
    fieldConnections_.clear();
    followed_ = field;
    if (auto *line = qobject_cast<QLineEdit *>(field)) {
        fieldConnections_ << connect(line, &QLineEdit::textChanged, this, &TEditActions::update)
                          << connect(line, &QLineEdit::selectionChanged, this, &TEditActions::update);
    } else if (auto *edit = qobject_cast<QTextEdit *>(field)) {
        fieldConnections_ << connect(edit, &QTextEdit::textChanged, this, &TEditActions::update)
                          << connect(edit, &QTextEdit::selectionChanged, this, &TEditActions::update)
                          << connect(edit, &QTextEdit::undoAvailable, this, &TEditActions::update);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(field)) {
        fieldConnections_ << connect(plain, &QPlainTextEdit::textChanged, this, &TEditActions::update)
                          << connect(plain, &QPlainTextEdit::selectionChanged, this, &TEditActions::update)
                          << connect(plain, &QPlainTextEdit::undoAvailable, this, &TEditActions::update);
    } else if (auto *list = qobject_cast<TdfsEnhListView *>(field)) {
        const QAbstractItemModel *rows = list->model();
        fieldConnections_ << connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TEditActions::update)
                          << connect(rows, &QAbstractItemModel::rowsInserted, this, &TEditActions::update)
                          << connect(rows, &QAbstractItemModel::rowsRemoved, this, &TEditActions::update)
                          << connect(rows, &QAbstractItemModel::modelReset, this, &TEditActions::update);
    }
}

void TEditActions::execute(const std::function<void(QWidget *field)> &command)
{
    if (QWidget *field = target())
        command(field);
    update();
}
