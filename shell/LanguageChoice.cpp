#include "shell/LanguageChoice.h"

#include "platform/ProgramFolder.h"
#include "shell/znIniSetting.h"
#include "shell/znLang.h"

#include <QAction>
#include <QWidget>

namespace {

const QString languageSection = QStringLiteral("Language");
const QString languageIdent = QStringLiteral("Language");
const QString paraSection = QStringLiteral("Para");
const QString paraIdent = QStringLiteral("Para");

} // namespace

namespace LanguageChoice {

const QList<Language> &languages()
{
    static const QList<Language> table = {
        {QStringLiteral("actLc"), QStringLiteral("Simplified Chinese"), QStringLiteral("ChinaCn.ini"),
         QStringLiteral("ChinaCnP.ini")},
        {QStringLiteral("actLt"), QStringLiteral("Traditional Chinese"), QStringLiteral("ChinaTw.ini"),
         QStringLiteral("ChinaTwP.ini")},
        {QStringLiteral("actLe"), QStringLiteral("English"), QStringLiteral("English.ini"),
         QStringLiteral("EnglishP.ini")},
    };
    return table;
}

const Language *forAction(const QString &actionName)
{
    for (const Language &language : languages()) {
        if (language.action == actionName)
            return &language;
    }
    return nullptr;
}

void Restore(TznLang &la, const TznIniSetting &iniMain)
{
    la.setFileName(iniMain.ReadString(languageSection, languageIdent, QStringLiteral("English.ini")));
    const QString messageFile = iniMain.ReadString(paraSection, paraIdent, QStringLiteral("EnglishP.ini"));
    la.LoadParas(ProgramFolder::resolve(messageFile));
}

void Switch(const Language &language, TznLang &la, const TznIniSetting &iniMain, QWidget *mainWindow,
            const QList<QAction *> &languageActions)
{
    for (QAction *action : languageActions) {
        action->setCheckable(true);
        action->setChecked(action->objectName() == language.action);
    }
    la.setFileName(language.languageFile);
    la.LoadParas(ProgramFolder::resolve(language.messageFile));
    la.Translate(mainWindow, QString());
    iniMain.WriteString(languageSection, languageIdent, language.languageFile);
    iniMain.WriteString(paraSection, paraIdent, language.messageFile);
}

} // namespace LanguageChoice
