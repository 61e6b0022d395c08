// The standard edit commands against the focused field of a window: when each may act, and what
// it does there. Runs in the main window tests' executable (offscreen, the program's application
// object).

#include "shell/EditActions.h"

#include "shell/EnhListView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

class EditActionsTest : public testing::Test
{
protected:
    EditActionsTest()
    {
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *w : std::initializer_list<QWidget *>{line, readOnly, password, plain, tree, spin, list})
            layout->addWidget(w);
        readOnly->setReadOnly(true);
        readOnly->setText(u("fixed text"));
        password->setEchoMode(QLineEdit::Password);
        password->setText(u("secret"));
        list->setColumns({u("Email"), u("Source")});
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        QGuiApplication::clipboard()->clear();
    }

    // The enabled commands, in the order undo, cut, copy, paste, delete, select all.
    std::string enabled() const
    {
        std::string state;
        for (const QAction *action : {&undo, &cut, &copy, &paste, &del, &selectAll})
            state += action->isEnabled() ? action->text().toStdString() + " " : std::string();
        return state;
    }

    void focus(QWidget *widget)
    {
        widget->setFocus();
        QCoreApplication::processEvents();
    }

    QWidget window;
    QLineEdit *line = new QLineEdit;
    QLineEdit *readOnly = new QLineEdit;
    QLineEdit *password = new QLineEdit;
    QPlainTextEdit *plain = new QPlainTextEdit;
    QTreeWidget *tree = new QTreeWidget;
    QSpinBox *spin = new QSpinBox;
    TdfsEnhListView *list = new TdfsEnhListView;
    QAction undo{u("Undo")}, cut{u("Cut")}, copy{u("Copy")}, paste{u("Paste")}, del{u("Delete")},
        selectAll{u("SelectAll")};
    TEditActions actions{&window, {&undo, &cut, &copy, &paste, &del, &selectAll}};
};

} // namespace

TEST_F(EditActionsTest, EachCommandIsEnabledOnlyWhereItCanAct)
{
    focus(tree);
    EXPECT_EQ(enabled(), "");
    EXPECT_EQ(actions.target(), nullptr);

    focus(line);
    EXPECT_EQ(actions.target(), line);
    EXPECT_EQ(enabled(), "");
    QTest::keyClicks(line, u("hello"));
    EXPECT_EQ(enabled(), "Undo SelectAll ");
    line->setSelection(0, 2);
    EXPECT_EQ(enabled(), "Undo Cut Copy Delete SelectAll ");
    QGuiApplication::clipboard()->setText(u("pasted"));
    EXPECT_EQ(enabled(), "Undo Cut Copy Paste Delete SelectAll ");

    // A field the user cannot change can still be copied from.
    focus(readOnly);
    readOnly->selectAll();
    EXPECT_EQ(enabled(), "Copy SelectAll ");
    // A hidden text never leaves its field.
    focus(password);
    password->selectAll();
    EXPECT_EQ(enabled(), "Paste Delete SelectAll ");
    // A read-only switch has no signal; the Edit menu asks again as it opens.
    password->setReadOnly(true);
    actions.update();
    EXPECT_EQ(enabled(), "SelectAll ");

    focus(plain);
    EXPECT_EQ(enabled(), "Paste ");
    QTest::keyClicks(plain, u("two words"));
    EXPECT_EQ(enabled(), "Undo Paste SelectAll ");

    focus(spin);
    EXPECT_NE(actions.target(), nullptr);
    EXPECT_EQ(enabled(), "Paste SelectAll ");

    QGuiApplication::clipboard()->clear();
    focus(tree);
    EXPECT_EQ(enabled(), "");
}

TEST_F(EditActionsTest, TheCommandsActOnTheFocusedField)
{
    for (QWidget *field : std::initializer_list<QWidget *>{line, plain}) {
        SCOPED_TRACE(field->metaObject()->className());
        const auto text = [field] {
            auto *lineEdit = qobject_cast<QLineEdit *>(field);
            return lineEdit != nullptr ? lineEdit->text() : static_cast<QPlainTextEdit *>(field)->toPlainText();
        };
        focus(field);
        QTest::keyClicks(field, u("alpha beta"));
        selectAll.trigger();
        copy.trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), u("alpha beta"));
        del.trigger();
        EXPECT_EQ(text(), QString());
        // Delete leaves the clipboard alone; Undo brings the text back.
        EXPECT_EQ(QGuiApplication::clipboard()->text(), u("alpha beta"));
        undo.trigger();
        EXPECT_EQ(text(), u("alpha beta"));
        selectAll.trigger();
        cut.trigger();
        EXPECT_EQ(text(), QString());
        paste.trigger();
        paste.trigger();
        EXPECT_EQ(text(), u("alpha betaalpha beta"));
        EXPECT_FALSE(cut.isEnabled());
    }
    // A command that is disabled does nothing, also when triggered.
    focus(tree);
    paste.trigger();
    EXPECT_EQ(line->text(), u("alpha betaalpha beta"));
}

TEST_F(EditActionsTest, AResultListOffersOnlyCopyOfItsSelectedRowsAndSelectAll)
{
    QGuiApplication::clipboard()->setText(u("on the clipboard"));
    focus(list);
    EXPECT_EQ(actions.target(), list);
    struct Step
    {
        const char *name;
        std::function<void()> change;
        const char *enabled;
        const char *copied = nullptr; // what Copy puts on the clipboard there
    };
    // Paste stays off for a list although the clipboard holds text.
    const Step steps[] = {
        {"empty", [] {}, ""},
        {"rows", [this] { list->AddItem({u("a@x.org"), u("http://x.org/")}); list->InsertItem(0, {u("b@y.org"), u("http://y.org/")}); },
         "SelectAll "},
        {"one selected", [this] { list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows); }, "Copy SelectAll "},
        {"none selected", [this] { list->clearSelection(); }, "SelectAll "},
        {"all selected", [this] { selectAll.trigger(); }, "Copy SelectAll ", "b@y.org\thttp://y.org/\na@x.org\thttp://x.org/"},
        {"emptied", [this] { list->Clear(); }, ""},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        EXPECT_EQ(enabled(), step.enabled);
        if (step.copied != nullptr) {
            copy.trigger();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), u(step.copied));
        }
    }
}
