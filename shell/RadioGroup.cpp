#include "shell/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>

TRadioGroup::TRadioGroup(QWidget *parent)
    : QGroupBox(parent), group_(new QButtonGroup(this)), layout_(new QGridLayout(this))
{
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int) { Q_EMIT Click(); });
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    items.reserve(buttons_.size());
    for (const QRadioButton *button : buttons_)
        items.append(button->text());
    return items;
}

void TRadioGroup::setItems(const QStringList &items)
{
    for (QRadioButton *button : std::as_const(buttons_)) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    for (qsizetype i = 0; i < items.size(); ++i) {
        // Unnamed on purpose: an item is not a component with texts of its own.
        auto *button = new QRadioButton(items.at(i), this);
        group_->addButton(button, int(i));
        buttons_.append(button);
    }
    arrange();
}

QString TRadioGroup::Item(int index) const
{
    return index >= 0 && index < Count() ? buttons_.at(index)->text() : QString();
}

void TRadioGroup::setItem(int index, const QString &text)
{
    if (index >= 0 && index < Count())
        buttons_.at(index)->setText(text);
}

int TRadioGroup::ItemIndex() const
{
    return group_->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    const int before = ItemIndex();
    if (index >= 0 && index < Count()) {
        buttons_.at(index)->setChecked(true);
    } else if (QAbstractButton *checked = group_->checkedButton()) {
        // An exclusive group never lets its last checked button go.
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
    if (ItemIndex() != before)
        Q_EMIT Click();
}

void TRadioGroup::setColumns(int columns)
{
    columns_ = std::max(1, columns);
    arrange();
}

void TRadioGroup::arrange()
{
    for (QRadioButton *button : std::as_const(buttons_))
        layout_->removeWidget(button);
    const int count = Count();
    const int rows = std::max(1, (count + columns_ - 1) / columns_);
    for (int i = 0; i < count; ++i)
        layout_->addWidget(buttons_.at(i), i % rows, i / rows);
}
