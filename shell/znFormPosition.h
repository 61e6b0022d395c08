#pragma once
// Remembers the place and window state of the form that owns it, in the per-user registry key
// SOFTWARE\<Manufacturer>\<application title>\Position: restored once the form is built, saved
// on every close request before the form handles it.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

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

    QPointer<QWidget> owner_;
    QString manufacturer_;
    bool loaded_ = false;
};
