#pragma once
// String values under a per-user registry key (the browser capture settings). Stateless between
// calls: every call opens the key, reads or writes one value and closes it.

#include "platform/RegistryStore.h"

#include <QObject>
#include <QString>

#include <optional>
#include <stdexcept>

// A value that could not be stored after its key was opened. It travels up to the
// application's error report, as the platform's registry errors did.
class ERegistryException final : public std::runtime_error
{
public:
    explicit ERegistryException(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

class TznRegistry final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString znKey READ znKey WRITE setZnKey)
    Q_PROPERTY(qint32 znRootKey READ znRootKey WRITE setZnRootKey)

public:
    explicit TznRegistry(QObject *owner = nullptr);

    // Base key path; a sub-key is appended to it as it stands, with no separator put between.
    QString znKey() const { return key_; }
    void setZnKey(const QString &key) { key_ = key; }

    qint32 znRootKey() const { return root_; }
    void setZnRootKey(qint32 root) { root_ = root; }

    // Default when the key or the value is missing or the value is not a string.
    QString ReadString(const QString &SubKey, const QString &Name, const QString &Default) const;

    // A key that cannot be opened loses the value silently; a value that cannot be stored
    // throws ERegistryException "Failed to set data for '<Name>'".
    void WriteString(const QString &SubKey, const QString &Name, const QString &Value) const;

    // znKey + SubKey under znRootKey, opened with or without creating it.
    std::optional<RegistryKey> OpenKey(const QString &SubKey, bool create) const;

private:
    QString key_;
    qint32 root_ = RegistryKey::currentUser;
};
