#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/FileSnapshot.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <mutex>
#include <utility>

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
    // Changes held back by open batches, for the file at pendingPath.
    int batches = 0;
    QString pendingPath;
    std::vector<RegistryText::Change> pending;

    // The index of the file as it is now, with the changes held back; nullptr when the file
    // cannot be read (a missing file has an empty index).
    RegistryText::Index *current(const QString &filePath)
    {
        bool changed = false;
        const AtomicFile::ReadResult &content = file.read(filePath, &changed);
        if (content.status == AtomicFile::ReadStatus::Failed) {
            index.reset();
            return nullptr;
        }
        if (changed || !index) {
            index.emplace(content.bytes);
            if (filePath == pendingPath) {
                for (const RegistryText::Change &change : pending)
                    index->set(change.key, change.name, change.data);
            }
        }
        return &*index;
    }

    // Writes `changes` to the file in one replacement. When the file on disk is what the index
    // knows, the index takes the same changes and need not be made again from the new file.
    bool write(const QString &filePath, const std::vector<RegistryText::Change> &changes)
    {
        // The store's folder is ours to make on first use (~/.config/trawlex).
        const QString folder = QFileInfo(filePath).absolutePath();
        if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
            return false;
        bool editedKnownBytes = false;
        QByteArray written;
        const bool indexed = index.has_value();
        const QByteArray known = file.content().bytes;
        const auto edit = [&](const QByteArray &onDisk) -> std::optional<QByteArray> {
            std::optional<QByteArray> next = RegistryText::withValues(onDisk, changes);
            editedKnownBytes = indexed && onDisk == known;
            if (next)
                written = *next;
            return next;
        };
        const AtomicFile::UpdateResult result = AtomicFile::update(filePath, edit);
        if (result == AtomicFile::UpdateResult::Written && editedKnownBytes) {
            for (const RegistryText::Change &change : changes)
                index->set(change.key, change.name, change.data);
            file.wrote(filePath, std::move(written));
        } else if (result != AtomicFile::UpdateResult::Unchanged) {
            index.reset();
        }
        return result != AtomicFile::UpdateResult::Failed;
    }
};

StoreCache &storeCache()
{
    static StoreCache cache;
    return cache;
}

} // namespace

RegistryStore::Batch::Batch()
{
    StoreCache &cache = storeCache();
    const std::lock_guard guard(cache.lock);
    ++cache.batches;
}

RegistryStore::Batch::~Batch()
{
    StoreCache &cache = storeCache();
    const std::lock_guard guard(cache.lock);
    if (--cache.batches > 0 || cache.pending.empty())
        return;
    const std::vector<RegistryText::Change> changes = std::exchange(cache.pending, {});
    cache.write(std::exchange(cache.pendingPath, {}), changes);
}

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

    std::vector<RegistryText::Change> changes;
    for (const auto &[name, data] : values)
        changes.push_back({key, name, data});
    // Held back for the batch, once it is clear they can be stored: names that can be written,
    // to a store that can be.
    const bool canHold = cache.batches > 0 && index != nullptr
                         && (cache.pending.empty() || cache.pendingPath == filePath_)
                         && RegistryText::withValues(QByteArrayView(), changes).has_value()
                         && !AtomicFile::isReadOnly(filePath_);
    if (!canHold)
        return cache.write(filePath_, changes);
    cache.pendingPath = filePath_;
    for (const RegistryText::Change &change : changes) {
        index->set(change.key, change.name, change.data);
        cache.pending.push_back(change);
    }
    return true;
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
