#pragma once
// Holds a window's repaints to a steady pace. During a crawl every fetched page and every link
// change reaches the window as its own event, and each one left the window to repaint itself
// before the next: painting, not the crawl, set the speed of a crawl in the window. Changes
// made within one interval are painted together at its end, so the window still shows every
// address within a frame's time while the events between paints cost only their own work.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>

class TRepaintPacer final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds interval{40};

    // Paces `window` (a top-level widget) for as long as this object lives.
    explicit TRepaintPacer(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void repaintNow();

    QPointer<QWidget> window_;
    QElapsedTimer sinceRepaint_;
    QTimer held_;
    bool passing_ = false;
};
