#pragma once
// Remembers the place and window state of the form that owns it, in the per-user registry key
// SOFTWARE\<Manufacturer>\<application title>\Position: restored once the form is built, saved
// on every close request before the form handles it.
//
// The stored bounds are the window's outer bounds, the window manager's frame included, and so
// are the bounds a form is given before it first shows (its designed or restored ones): the frame
// is known only once the window is up, and then the client area is fitted into those bounds.

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class QEvent;

class TznFormPosition final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Manufacturer READ Manufacturer WRITE setManufacturer)

public:
    // Watches `owner` (a top-level form) for as long as this component lives.
    explicit TznFormPosition(QWidget *owner);

    QString Manufacturer() const { return manufacturer_; }
    void setManufacturer(const QString &manufacturer) { manufacturer_ = manufacturer; }

    QString positionKey() const;

    // Restores the stored place and state. The owner calls it once at the end of its own
    // construction, after its designed size is set; without that call the first showing of
    // the form restores. Only the first call acts.
    void Loaded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restore();
    void save();
    // Fits the client area into the outer bounds the form had before its frame was known, at the
    // first exposure, when the frame is known.
    void fitIntoFrame();

    QPointer<QWidget> owner_;
    QString manufacturer_;
    bool loaded_ = false;
    bool shown_ = false;
    // The normal bounds at the first showing, outer bounds still waiting for the frame.
    std::optional<QRect> unframedOuter_;
    // The frame of the normal window once the client area was fitted into it; the normal bounds
    // of a maximized window are then client bounds, which this frame surrounds.
    std::optional<QMargins> normalFrame_;
};
