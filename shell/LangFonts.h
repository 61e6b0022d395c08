#pragma once
// The font side of a language: a widget's font character set and the font families it calls for,
// and font sizes in points.
//
// Qt fonts carry no character set, so a widget keeps it in its dynamic property "FontCharset";
// one it has not set follows its parents, and a form that sets none has the designed one,
// GB2312 (134), the character set of the forms' Chinese designed hints. The character set picks
// the family: a CJK one puts the Noto CJK family of its script first, so that Simplified and
// Traditional texts show their own glyph forms instead of boxes or the other script's shapes;
// the others go back to the families the widget was designed with.

#include <QFont>
#include <QStringList>

class QWidget;

namespace LangFonts {

inline constexpr int designedCharset = 134;

int charsetOf(const QWidget *widget);
void setCharset(QWidget *widget, QFont &font, int charset);

// The family put first for a character set, or empty for one that keeps the designed families.
QString familyFor(int charset);

// The size in whole points; a font given in pixels is converted at the widget's resolution.
int pointSizeOf(const QFont &font, const QWidget *widget);
// Keeps a fractional size that rounds to `points`: only a real change alters the font.
void setPointSize(QFont &font, int points);

} // namespace LangFonts
