#pragma once
// What the search panels and their option dialogs take from the main window, handed to them when
// they are made: the message table and the language's code page, the main settings file, the
// main status bar with its progress bar, and help. Tests make their own. Any part may be missing: texts then read empty,
// writes and help requests go nowhere.

#include <QByteArray>
#include <QString>

#include <functional>

class QProgressBar;
class TznIniSetting;
class TznStatusBar;

struct TPanelServices
{
    // The message text for a key (the translation component's ParaText), asked at each use so
    // that a language switch counts at once.
    using MessageLookup = std::function<QString(const QString &Key)>;
    // The code page that bytes from pages are shown in (the translation component's
    // TextEncoding), asked at each use for the same reason.
    using TextEncoding = std::function<QByteArray()>;
    // Opens a page of the help file ("Robot.htm").
    using ShowHelp = std::function<void(const QString &topic)>;

    MessageLookup paraText;
    TextEncoding textEncoding;
    TznIniSetting *iniMain = nullptr;
    TznStatusBar *stuMain = nullptr;
    QProgressBar *prgMain = nullptr;
    ShowHelp showHelp;
};
