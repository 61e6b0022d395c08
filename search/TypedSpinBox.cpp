#include "search/TypedSpinBox.h"

#include <QLineEdit>

#include <climits>

TTypedSpinBox::TTypedSpinBox(QWidget *parent) : QSpinBox(parent)
{
    setRange(INT_MIN, INT_MAX);
    setSingleStep(1);
}

int TTypedSpinBox::wholeNumber(const QString &text)
{
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber);
    return isNumber ? value : 0;
}

QValidator::State TTypedSpinBox::validate(QString &, int &) const
{
    return QValidator::Acceptable;
}

void TTypedSpinBox::fixup(QString &) const
{
}

int TTypedSpinBox::valueFromText(const QString &text) const
{
    return wholeNumber(text);
}

// The spin box writes its value back into the field whenever it leaves, shows or takes Enter:
// the typed text stands for as long as it reads as that value, so only a step or a value set by
// the program writes the number.
QString TTypedSpinBox::textFromValue(int value) const
{
    const QString typed = lineEdit()->text();
    return wholeNumber(typed) == value ? typed : QSpinBox::textFromValue(value);
}
