#pragma once
// What the search panel tests share: a bounded wait, the stand-in message lookup, the part of the
// main window a panel reports to, and an option dialog made as the program makes it with
// stand-ins for the user.

#include "shell/PanelServices.h"
#include "shell/znIniSetting.h"
#include "tests/platform/TempRegistryFile.h"

#include <QAbstractButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

class QProgressBar;
class QVBoxLayout;
class TznStatusBar;

void PrintTo(const QString &text, std::ostream *out);

// Spins the event loop until `done` holds or the time is up; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 15000);

// The stand-in message lookup's answer for a key.
QString textOf(const char *key);
// Services with the stand-in message lookup and, when `helpTopics` is given, help that records
// the topics asked for there; no settings, status bar or progress bar.
TPanelServices standInServices(QStringList *helpTopics = nullptr);

// What the main window gives a search panel, stood in for: a bare window with the main status bar
// (its five panels and the progress bar) below the panel, and TrawlMain.ini in the program folder
// the test has set. Services are the stand-in lookup, these parts, and help that records topics.
class PanelHostWindow final
{
public:
    PanelHostWindow();
    PanelHostWindow(const PanelHostWindow &) = delete;
    PanelHostWindow &operator=(const PanelHostWindow &) = delete;

    TPanelServices services();
    // Puts `panel` above the status bar and shows the window.
    void place(QWidget *panel);

    TznIniSetting ini;
    QWidget window;
    TznStatusBar *stuMain;
    QProgressBar *prgMain;
    QStringList helpTopics;
    QByteArray textEncoding; // the language's code page as the panels ask for it; empty: none named
    TPanelServices::MessageLookup paraText; // the texts as the panels ask for them; empty: the stand-in

private:
    QVBoxLayout *layout_;
};

// An option dialog made as the program makes it, its services from the test: texts from the
// stand-in lookup, help pages recorded in helpTopics, messages shown recorded in messages, and a
// save dialog that records its calls and answers dialogAnswer. The key store is temporary.
template <typename Dialog>
class OptionDialogTest : public testing::Test
{
protected:
    OptionDialogTest()
    {
        dialog.setMessageBox([this](QWidget *, const QString &text) { messages.append(text); });
        dialog.setSaveDialog([this](QWidget *, const QString &fileName, const QString &filter) {
            dialogCalls.append(fileName + QLatin1Char('|') + filter);
            return dialogAnswer;
        });
    }

    TPanelServices services() { return standInServices(&helpTopics); }

    template <typename T>
    T *part(const char *name) const
    {
        T *found = dialog.template findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char *button) const { QTest::mouseClick(part<QAbstractButton>(button), Qt::LeftButton); }

    TempRegistryFile registry;
    QStringList messages, dialogCalls, helpTopics;
    std::optional<QString> dialogAnswer;
    Dialog dialog{services()};
};
