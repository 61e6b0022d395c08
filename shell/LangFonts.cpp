#include "shell/LangFonts.h"

#include "platform/CodePage.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace {

constexpr char charsetProperty[] = "FontCharset";
// The families a widget had before the walk first gave it a character set.
constexpr char designedFamiliesProperty[] = "TrawlexDesignedFamilies";

QStringList familiesOf(const QFont &font)
{
    const QStringList families = font.families();
    return families.isEmpty() ? QStringList{font.family()} : families;
}

bool setsOwnFamily(const QWidget *widget)
{
    constexpr uint familyBits = QFont::FamilyResolved | QFont::FamiliesResolved;
    return widget->testAttribute(Qt::WA_SetFont) && (widget->font().resolveMask() & familyBits) != 0;
}

// What the widget was designed with: its own family, else its parents' up to the window, else
// the application's font for its class. Taken before the walk changes any of them, so a child
// that inherits does not mistake its parent's new family for its design.
QStringList designedFamilies(const QWidget *widget)
{
    for (const QWidget *w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QVariant remembered = w->property(designedFamiliesProperty);
        if (remembered.isValid())
            return remembered.toStringList();
        if (setsOwnFamily(w))
            return familiesOf(w->font());
    }
    return familiesOf(QApplication::font(widget));
}

} // namespace

namespace LangFonts {

int charsetOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QVariant charset = w->property(charsetProperty);
        if (charset.isValid())
            return charset.toInt();
    }
    return designedCharset;
}

QString familyFor(int charset)
{
    switch (charset) {
    case CodePage::shiftJisCharset:
        return QStringLiteral("Noto Sans CJK JP");
    case CodePage::hangeulCharset:
        return QStringLiteral("Noto Sans CJK KR");
    case CodePage::gb2312Charset:
        return QStringLiteral("Noto Sans CJK SC");
    case CodePage::chineseBig5Charset:
        return QStringLiteral("Noto Sans CJK TC");
    default:
        return {};
    }
}

void setCharset(QWidget *widget, QFont &font, int charset)
{
    QVariant remembered = widget->property(designedFamiliesProperty);
    if (!remembered.isValid()) {
        remembered = designedFamilies(widget);
        widget->setProperty(designedFamiliesProperty, remembered);
    }
    const QVariant current = widget->property(charsetProperty);
    if (!current.isValid() || current.toInt() != charset)
        widget->setProperty(charsetProperty, charset);

    QStringList families = remembered.toStringList();
    const QString first = familyFor(charset);
    if (!first.isEmpty()) {
        families.removeAll(first);
        families.prepend(first);
    }
    font.setFamilies(families);
}

int pointSizeOf(const QFont &font, const QWidget *widget)
{
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    if (font.pixelSize() > 0) {
        const int dpi = widget != nullptr ? widget->logicalDpiY() : 96;
        return qRound(font.pixelSize() * 72.0 / (dpi > 0 ? dpi : 96));
    }
    return 0;
}

void setPointSize(QFont &font, int points)
{
    if (points <= 0)
        return;
    if (font.pointSizeF() > 0 && qRound(font.pointSizeF()) == points)
        return;
    font.setPointSize(points);
}

} // namespace LangFonts
