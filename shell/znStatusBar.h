#pragma once
// A status bar of fixed-width text panels, left to right, that also carries controls placed on
// it at fixed positions (the panels' buttons, the main window's progress bar, a link label).
// The panels own the whole bar: temporary messages (showMessage, status tips) are not drawn.
// A panel too narrow for its text shows the text cut short, and the whole of it as a tooltip.

#include <QRect>
#include <QStatusBar>
#include <QString>

#include <vector>

class QPaintEvent;

class TznStatusBar final : public QStatusBar
{
    Q_OBJECT

public:
    explicit TznStatusBar(QWidget *parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    // Appends a panel; returns its index.
    int AddPanel(int width, Qt::Alignment alignment = Qt::AlignLeft);

    // Indexes outside the panels read as empty and write nothing.
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);
    Qt::Alignment PanelAlignment(int index) const;
    void SetPanelAlignment(int index, Qt::Alignment alignment);

    // Where a panel lies in the bar. The last panel reaches the right edge, as the platform's
    // bar draws it, so a long text in it is not cut at its designed width.
    QRect PanelRect(int index) const;
    // The whole text of the panel at `position` (bar coordinates) when the panel shows it cut
    // short; empty when it shows all of it or no panel lies there.
    QString CutText(const QPoint &position) const;

    // Makes `control` a child of the bar at `geometry` (bar coordinates) and shows it. The bar
    // lays out nothing: the control stays where it was put, over whatever panel lies below.
    void PlaceControl(QWidget *control, const QRect &geometry);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Panel
    {
        int width = 0;
        Qt::Alignment alignment = Qt::AlignLeft;
        QString text;
    };

    bool valid(int index) const { return index >= 0 && index < PanelCount(); }
    // Where the text of a panel is drawn, in bar coordinates.
    QRect textArea(int index) const;

    std::vector<Panel> panels_;
};
