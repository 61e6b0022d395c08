#pragma once
// The per-user registry: one store standing for HKEY_CURRENT_USER, kept as a ".reg" text file
// (RegistryText) at $TRAWLEX_REGISTRY_FILE, else $XDG_CONFIG_HOME/trawlex/registry.reg, else
// ~/.config/trawlex/registry.reg. Every call sees the file as it is now (it is read again
// whenever it changed, also by another process); every write is an atomic replacement under a
// lock file, so other processes' values survive it, and a write that changes nothing is none.

#include "platform/RegistryText.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

class RegistryStore final
{
public:
    // The environment variable that points the store elsewhere (tests, portable use).
    static constexpr const char *fileVariable = "TRAWLEX_REGISTRY_FILE";
    static QString defaultFilePath();

    explicit RegistryStore(QString filePath = defaultFilePath());
    const QString &filePath() const { return filePath_; }

    bool keyExists(const QStringList &key) const;
    std::optional<RegistryText::StoredValue> value(const QStringList &key, const QString &name) const;

    // Stores all values in one replacement of the file (none when every value is stored already);
    // false when they could not be stored. While a Batch is open the replacement waits for it.
    bool setValues(const QStringList &key, const std::vector<std::pair<QString, RegistryText::Data>> &values) const;

    // While one is alive, writes to the store are held back (and read back at once) and go to the
    // file together when the last one ends: one replacement for many keys of a large store. The
    // program holds one while its forms are destroyed, each view keeping its settings.
    class Batch final
    {
    public:
        Batch();
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
    };

private:
    QString filePath_;
};

// An open key, as a program holds a registry key handle: read and write its values.
class RegistryKey final
{
public:
    // The root handle values of the platform; the store holds HKEY_CURRENT_USER only.
    static constexpr qint32 currentUser = -2147483647; // 0x80000001

    // nullopt when the root is not HKEY_CURRENT_USER, the path holds a control character, or
    // (without `create`) the key does not exist. With `create` a missing key comes into being
    // with its first value.
    static std::optional<RegistryKey> open(qint32 root, QStringView path, bool create,
                                           RegistryStore store = RegistryStore());

    const QStringList &names() const { return key_; }

    bool valueExists(const QString &name) const;
    std::optional<QString> readString(const QString &name) const;   // nullopt: absent or not a string
    std::optional<qint32> readInteger(const QString &name) const;   // nullopt: absent or not a number

    // false when the value could not be stored.
    bool writeString(const QString &name, const QString &value) const;
    bool writeInteger(const QString &name, qint32 value) const;
    bool writeValues(const std::vector<std::pair<QString, RegistryText::Data>> &values) const;

private:
    RegistryKey(RegistryStore store, QStringList key) : store_(std::move(store)), key_(std::move(key)) {}

    RegistryStore store_;
    QStringList key_;
};
