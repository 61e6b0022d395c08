#pragma once
// A titled group of mutually exclusive choices given as a list of texts (the browser capture
// panel's extraction mode). The choices are items of the group, not controls of their own: the
// translation walk gives them one list section, "<path>rdoType", with idents "0", "1", ...

#include <QGroupBox>
#include <QList>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE setItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE setItemIndex NOTIFY Click)
    Q_PROPERTY(int Columns READ Columns WRITE setColumns)

public:
    explicit TRadioGroup(QWidget *parent = nullptr);
    TRadioGroup(const TRadioGroup &) = delete;
    TRadioGroup &operator=(const TRadioGroup &) = delete;

    // Replacing the items clears the selection.
    QStringList Items() const;
    void setItems(const QStringList &items);
    int Count() const { return int(buttons_.size()); }
    QString Item(int index) const;
    void setItem(int index, const QString &text);

    // -1: nothing selected. An index outside the items selects nothing.
    int ItemIndex() const;
    void setItemIndex(int index);

    // Items fill the columns top to bottom, then left to right.
    int Columns() const { return columns_; }
    void setColumns(int columns);

Q_SIGNALS:
    // The user chose an item, or ItemIndex was set to another value.
    void Click();

private:
    void arrange();

    QButtonGroup *group_;
    QGridLayout *layout_;
    QList<QRadioButton *> buttons_;
    int columns_ = 1;
};
