#include "shell/znStatusBar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>

namespace {

// Room between a panel's sunken edge and its text.
constexpr int textMargin = 3;

} // namespace

TznStatusBar::TznStatusBar(QWidget *parent) : QStatusBar(parent) {}

int TznStatusBar::AddPanel(int width, Qt::Alignment alignment)
{
    panels_.push_back(Panel{std::max(width, 0), alignment, QString()});
    update();
    return PanelCount() - 1;
}

QString TznStatusBar::PanelText(int index) const
{
    return valid(index) ? panels_[size_t(index)].text : QString();
}

void TznStatusBar::SetPanelText(int index, const QString &text)
{
    if (!valid(index) || panels_[size_t(index)].text == text)
        return;
    panels_[size_t(index)].text = text;
    update(PanelRect(index));
}

int TznStatusBar::PanelWidth(int index) const
{
    return valid(index) ? panels_[size_t(index)].width : 0;
}

void TznStatusBar::SetPanelWidth(int index, int width)
{
    if (!valid(index))
        return;
    panels_[size_t(index)].width = std::max(width, 0);
    update();
}

Qt::Alignment TznStatusBar::PanelAlignment(int index) const
{
    return valid(index) ? panels_[size_t(index)].alignment : Qt::Alignment();
}

void TznStatusBar::SetPanelAlignment(int index, Qt::Alignment alignment)
{
    if (!valid(index))
        return;
    panels_[size_t(index)].alignment = alignment;
    update(PanelRect(index));
}

QRect TznStatusBar::PanelRect(int index) const
{
    if (!valid(index))
        return QRect();
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += panels_[size_t(i)].width;
    const int span = index == PanelCount() - 1 ? std::max(width() - left, 0) : panels_[size_t(index)].width;
    return QRect(left, 0, span, height());
}

QRect TznStatusBar::textArea(int index) const
{
    return PanelRect(index).adjusted(textMargin, 3, -2 - textMargin, -1);
}

QString TznStatusBar::CutText(const QPoint &position) const
{
    for (int index = 0; index < PanelCount(); ++index) {
        if (!PanelRect(index).contains(position))
            continue;
        const QString &text = panels_[size_t(index)].text;
        return fontMetrics().elidedText(text, Qt::ElideRight, textArea(index).width()) == text ? QString() : text;
    }
    return QString();
}

bool TznStatusBar::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QStatusBar::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    if (const QString text = CutText(help->pos()); !text.isEmpty())
        QToolTip::showText(help->globalPos(), text, this);
    else
        QToolTip::hideText();
    return true;
}

void TznStatusBar::PlaceControl(QWidget *control, const QRect &geometry)
{
    if (control == nullptr)
        return;
    control->setParent(this);
    control->setGeometry(geometry);
    control->show();
}

void TznStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);

    for (int index = 0; index < PanelCount(); ++index) {
        const QRect area = PanelRect(index).adjusted(0, 2, -2, 0);
        if (area.width() <= 0)
            continue;
        qDrawShadePanel(&painter, area, palette(), true, 1);
        const QRect inside = textArea(index);
        const Panel &panel = panels_[size_t(index)];
        const QString text = painter.fontMetrics().elidedText(panel.text, Qt::ElideRight, inside.width());
        painter.drawText(inside, int(panel.alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text);
    }
}
