#pragma once
// The interface languages of the Language menu and the choice of one: which language and
// message files belong to each, how the main window switches between them, and how the choice
// is kept in the main settings file (section "Language", ident "Language": the language file;
// section "Para", ident "Para": the message file).

#include <QList>
#include <QString>

class QAction;
class QWidget;
class TznIniSetting;
class TznLang;

namespace LanguageChoice {

struct Language
{
    QString action;       // the main window's action that chooses it
    QString caption;      // its designed caption
    QString languageFile; // FileName of the translation component
    QString messageFile;  // loaded into Paras, from the program folder
};

// Simplified Chinese (actLc), Traditional Chinese (actLt), English (actLe).
const QList<Language> &languages();
// nullptr for an action that chooses no language.
const Language *forAction(const QString &actionName);

// Start-up: sets the stored language file ("English.ini" when none is stored) as FileName and
// loads the stored message file ("EnglishP.ini") into Paras. The texts follow when the main
// window first becomes active. Throws EFOpenError when the message file cannot be read; FileName
// is set by then and Paras keep what they held.
void Restore(TznLang &la, const TznIniSetting &iniMain);

// A language action: checks its action among `languageActions` and unchecks the others, sets
// FileName and loads Paras, translates the main window (its panels with it; other forms follow
// when they next become active) and stores the choice. Throws EFOpenError when the message file
// cannot be read; the check marks and FileName have changed by then, the rest is not done.
void Switch(const Language &language, TznLang &la, const TznIniSetting &iniMain, QWidget *mainWindow,
            const QList<QAction *> &languageActions);

} // namespace LanguageChoice
