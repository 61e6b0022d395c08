#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/FileSnapshot.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <mutex>

QString RegistryStore::defaultFilePath()
{
    const QString chosen = qEnvironmentVariable(fileVariable);
    if (!chosen.isEmpty())
        return chosen;
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.startsWith(QLatin1Char('/')))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/trawlex/registry.reg");
}

namespace {

// The store file as last read, with every key and value in it. A large store (people keep other
// programs' keys in it too) is then parsed once rather than for every value read, and a close
// that changes nothing writes nothing.
struct StoreCache
{
    std::mutex lock;
    FileSnapshot file;
    std::optional<RegistryText::Index> index;

    // The index of the file as it is now; nullptr when it is missing or cannot be read.
    RegistryText::Index *current(const QString &filePath)
    {
        bool changed = false;
        const AtomicFile::ReadResult &content = file.read(filePath, &changed);
        if (content.status != AtomicFile::ReadStatus::Ok) {
            index.reset();
            return nullptr;
        }
        if (changed || !index)
            index.emplace(content.bytes);
        return &*index;
    }
};

StoreCache &storeCache()
{
    static StoreCache cache;
    return cache;
}

} // namespace

RegistryStore::RegistryStore(QString filePath) : filePath_(std::move(filePath)) {}

bool RegistryStore::keyExists(const QStringList &key) const
{
    if (key.isEmpty())
        return true;
    StoreCache &cache = storeCache();
    const std::lock_guard guard(cache.lock);
    const RegistryText::Index *index = cache.current(filePath_);
    return index != nullptr && index->keyExists(key);
}

std::optional<RegistryText::StoredValue> RegistryStore::value(const QStringList &key, const QString &name) const
{
    StoreCache &cache = storeCache();
    const std::lock_guard guard(cache.lock);
    const RegistryText::Index *index = cache.current(filePath_);
    return index != nullptr ? index->value(key, name) : std::nullopt;
}

bool RegistryStore::setValues(const QStringList &key,
                              const std::vector<std::pair<QString, RegistryText::Data>> &values) const
{
    if (filePath_.isEmpty())
        return false;
    StoreCache &cache = storeCache();
    const std::lock_guard guard(cache.lock);
    RegistryText::Index *index = cache.current(filePath_);
    // A name given twice ends with its last value.
    const auto laterInBatch = [&values](size_t at) {
        return std::any_of(values.begin() + qsizetype(at) + 1, values.end(), [&](const auto &later) {
            return later.first.compare(values[at].first, Qt::CaseInsensitive) == 0;
        });
    };
    bool allHeld = index != nullptr;
    for (size_t at = 0; allHeld && at < values.size(); ++at)
        allHeld = laterInBatch(at) || index->holds(key, values[at].first, values[at].second);
    if (allHeld)
        return true;
    const auto &changed = values;

    // The store's folder is ours to make on first use (~/.config/trawlex).
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
        return false;
    // The edit runs on what is on disk under the lock; when that is what the index knows, the
    // index takes the same changes and need not be made again from the new file.
    bool editedKnownBytes = false;
    QByteArray written;
    const QByteArray known = index != nullptr ? cache.file.content().bytes : QByteArray();
    const auto edit = [&](const QByteArray &current) -> std::optional<QByteArray> {
        QByteArray next = current;
        for (const auto &[name, data] : changed) {
            std::optional<QByteArray> edited = RegistryText::withValue(next, key, name, data);
            if (!edited)
                return std::nullopt;
            next = std::move(*edited);
        }
        editedKnownBytes = index != nullptr && current == known;
        written = next;
        return next;
    };
    const AtomicFile::UpdateResult result = AtomicFile::update(filePath_, edit);
    if (result == AtomicFile::UpdateResult::Written && editedKnownBytes) {
        for (const auto &[name, data] : changed)
            index->set(key, name, data);
        cache.file.wrote(filePath_, std::move(written));
    } else {
        cache.index.reset();
    }
    return result != AtomicFile::UpdateResult::Failed;
}

std::optional<RegistryKey> RegistryKey::open(qint32 root, QStringView path, bool create, RegistryStore store)
{
    if (root != currentUser)
        return std::nullopt;
    std::optional<QStringList> key = RegistryText::splitKeyPath(path);
    if (!key || (!create && !store.keyExists(*key)))
        return std::nullopt;
    return RegistryKey(std::move(store), std::move(*key));
}

bool RegistryKey::valueExists(const QString &name) const
{
    return store_.value(key_, name).has_value();
}

std::optional<QString> RegistryKey::readString(const QString &name) const
{
    const std::optional<RegistryText::StoredValue> stored = store_.value(key_, name);
    if (!stored || stored->type != RegistryText::StoredValue::Type::String)
        return std::nullopt;
    return stored->text;
}

std::optional<qint32> RegistryKey::readInteger(const QString &name) const
{
    const std::optional<RegistryText::StoredValue> stored = store_.value(key_, name);
    if (!stored || stored->type != RegistryText::StoredValue::Type::Integer)
        return std::nullopt;
    return stored->number;
}

bool RegistryKey::writeString(const QString &name, const QString &value) const
{
    return writeValues({{name, value}});
}

bool RegistryKey::writeInteger(const QString &name, qint32 value) const
{
    return writeValues({{name, value}});
}

bool RegistryKey::writeValues(const std::vector<std::pair<QString, RegistryText::Data>> &values) const
{
    return store_.setValues(key_, values);
}
