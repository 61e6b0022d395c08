#pragma once
// The registry store's file format, with no file access. The store is a ".reg" export in the
// REGEDIT4 layout, in UTF-8, so people and other programs (the browser capture component) can
// read it:
//
//     REGEDIT4
//
//     [HKEY_CURRENT_USER\Norvane\Trawlex\IeSearch]
//     "Type"="1"
//     "Filename"="C:\\mail\\found.txt"
//     @="the key's unnamed value"
//
//     [HKEY_CURRENT_USER\SOFTWARE\Norvane\Norvane Trawlex\Position]
//     "Left"=dword:00000064
//
// Strings escape "\" and the double quote with a backslash; a string holding a control
// character (a line break) is written as hex(1): followed by its UTF-8 bytes and a 00. A string
// ends at its first NUL, as the platform's string values do.
// Key and value names match case-insensitively. When a key or value occurs more than once the
// last occurrence counts, as when the file is imported. Lines that mean nothing here (comments,
// other roots, other value types, damaged lines) are kept byte for byte by every edit.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

namespace RegistryText {

// A key path below HKEY_CURRENT_USER as its names: "\a\b\", "a\b" and "a\\b" name the same key,
// and an empty path is the root itself. nullopt when a name holds a control character.
std::optional<QStringList> splitKeyPath(QStringView path);

using Data = std::variant<QString, qint32>;

struct StoredValue
{
    enum class Type { String, Integer, Other };
    Type type = Type::Other;
    QString text;       // String (REG_SZ; also REG_EXPAND_SZ, read as it stands)
    qint32 number = 0;  // Integer (REG_DWORD)
};

// A key exists when it, or a key below it, has a block in the file. The root always exists.
bool keyExists(QByteArrayView file, const QStringList &key);

// nullopt when the key or the value is absent.
std::optional<StoredValue> value(QByteArrayView file, const QStringList &key, QStringView name);

// The file with the value set (an empty name is the key's unnamed value): an existing value is
// replaced where it stands, a new one goes after the last line of its key's block, a new key
// block at the end. nullopt when the name holds a control character and could not be stored.
std::optional<QByteArray> withValue(QByteArrayView file, const QStringList &key, QStringView name, const Data &data);

// One value to set, for withValues.
struct Change
{
    QStringList key;
    QString name;
    Data data;
};

// The file with every change made, as withValue would make them one after the other, reading the
// file once: many keys changed in a large file cost one pass over it. nullopt as withValue.
std::optional<QByteArray> withValues(QByteArrayView file, const std::vector<Change> &changes);

// Every key and value of a file, for many lookups in one large file: the same answers as
// keyExists and value above, each without reading the file again.
class Index final
{
public:
    explicit Index(QByteArrayView file);
    bool keyExists(const QStringList &key) const;
    std::optional<StoredValue> value(const QStringList &key, QStringView name) const;
    // True when the value is stored with this data, as withValue would store it.
    bool holds(const QStringList &key, QStringView name, const Data &data) const;
    // What withValue did to the file, done to the index.
    void set(const QStringList &key, QStringView name, const Data &data);

private:
    std::unordered_set<QString> keys_;
    std::unordered_map<QString, std::unordered_map<QString, StoredValue>> values_;
};

} // namespace RegistryText
