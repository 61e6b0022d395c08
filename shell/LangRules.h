#pragma once
// The rules that set a text from a language file or teach the file the text: the text rule for
// one property of a component and the list rule for numbered items. A value in the file means:
//   empty or absent  learn: the current text is written into the file, unless it is blank
//   "%"              keep the designed text
//   "^"              an empty text (property sections only; as an item it is the text "^")
//   anything else    the text to show

#include "shell/LangTexts.h"

#include <QString>

class QObject;
class TznIniSetting;

namespace LangRules {

// A text is learned only when it reads back as itself: one line (the file format has no way to
// continue a value on the next line) that the file's code page can hold. Anything else would
// come back cut or as "?" marks the next time and replace the designed text on screen.
bool canLearn(const QString &text, const TznIniSetting &ini);

void applyTextRule(const TznIniSetting &ini, const QString &section, const QString &ident, QObject *component,
                   LangTexts::Property property);

void applyListRule(const TznIniSetting &ini, const QString &section, const LangTexts::ItemList &items);

// The OnTranslate handler of the main window: the items of a radio group and the columns of a
// list view, each in the list section `aIniSection`. The rows of a list view are data and are
// never translated.
void translateItemLists(QObject *aComponent, const QString &aIniSection, const TznIniSetting &aIni);

} // namespace LangRules
