#pragma once
// The option dialogs' depth and queue fields. A plain QSpinBox refuses keys that would make its
// text no number, and on leaving the field or Enter it puts its last valid value back: an
// emptied Depth field then applied the old depth. This one spans the whole int range, takes any
// text and leaves it as typed; its value is the text read as a whole number (blanks at either
// end allowed), 0 when it is none.

#include <QSpinBox>

class TTypedSpinBox final : public QSpinBox
{
    Q_OBJECT

public:
    explicit TTypedSpinBox(QWidget *parent = nullptr);

    static int wholeNumber(const QString &text);
    // What the field holds now, as typed.
    int typedValue() const { return wholeNumber(text()); }

protected:
    QValidator::State validate(QString &text, int &position) const override;
    void fixup(QString &text) const override;
    int valueFromText(const QString &text) const override;
    QString textFromValue(int value) const override;
};
