#include "shell/LangRules.h"

#include "platform/CodePage.h"
#include "shell/znIniSetting.h"

namespace {

const QString keepDesigned = QStringLiteral("%");
const QString emptyText = QStringLiteral("^");

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

void learn(const TznIniSetting &ini, const QString &section, const QString &ident, const QString &current)
{
    if (!isBlank(current) && LangRules::canLearn(current, ini))
        ini.WriteString(section, ident, current);
}

} // namespace

namespace LangRules {

bool canLearn(const QString &text, const TznIniSetting &ini)
{
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(u'\0')))
        return false;
    return CodePage::encode(text, ini.Encoding().isEmpty() ? QByteArray("UTF-8") : ini.Encoding()).has_value();
}

void applyTextRule(const TznIniSetting &ini, const QString &section, const QString &ident, QObject *component,
                   LangTexts::Property property)
{
    const std::optional<QString> current = LangTexts::text(component, property);
    if (!current)
        return;
    const QString value = ini.ReadString(section, ident, QString());
    if (value.isEmpty())
        learn(ini, section, ident, *current);
    else if (value == emptyText)
        LangTexts::setText(component, property, QString());
    else if (value != keepDesigned)
        LangTexts::setText(component, property, value);
}

void applyListRule(const TznIniSetting &ini, const QString &section, const LangTexts::ItemList &items)
{
    for (int i = 0; i < items.count; ++i) {
        const QString ident = QString::number(i);
        const QString value = ini.ReadString(section, ident, QString());
        if (value.isEmpty())
            learn(ini, section, ident, items.text(i));
        else if (value != keepDesigned)
            items.setText(i, value);
    }
}

void translateItemLists(QObject *aComponent, const QString &aIniSection, const TznIniSetting &aIni)
{
    if (const std::optional<LangTexts::ItemList> items = LangTexts::radioItems(aComponent))
        applyListRule(aIni, aIniSection, *items);
    else if (const std::optional<LangTexts::ItemList> columns = LangTexts::listColumns(aComponent))
        applyListRule(aIni, aIniSection, *columns);
}

} // namespace LangRules
