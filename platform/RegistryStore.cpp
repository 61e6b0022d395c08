#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <mutex>

#include <sys/stat.h>
#include <time.h>

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

// What stat tells of a file; the same identity means the same content, unless the file was
// changed again within the clock tick of the look that made the identity (a racy look).
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileIdentity &) const = default;
};

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

qint64 nowNs()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// File times move in ticks of the kernel's coarse clock, a few milliseconds; a look this close
// to the last change cannot tell a change within the same tick from none.
constexpr qint64 racyWindowNs = 50'000'000;

// The last store file read, with every key and value in it. A large store (people keep other
// programs' keys in it too) is then parsed once rather than for every value read, and a close
// that changes nothing writes nothing.
struct StoreCache
{
    std::mutex lock;
    QString path;
    FileIdentity identity;
    qint64 lookedNs = 0; // when the identity was taken
    QByteArray bytes;
    std::optional<RegistryText::Index> index;

    // The index of the file as it is now; nullptr when it is missing or cannot be read.
    RegistryText::Index *current(const QString &filePath)
    {
        const qint64 looked = nowNs();
        const std::optional<FileIdentity> now = identityOf(filePath);
        if (!now) {
            index.reset();
            return nullptr;
        }
        const bool known = index && path == filePath && identity == *now;
        if (known && looked - now->modifiedNs > racyWindowNs && lookedNs - now->modifiedNs > racyWindowNs)
            return &*index;
        AtomicFile::ReadResult file = AtomicFile::read(filePath);
        if (file.status != AtomicFile::ReadStatus::Ok) {
            index.reset();
            return nullptr;
        }
        if (!(index && path == filePath && file.bytes == bytes)) {
            index.emplace(file.bytes);
            path = filePath;
            bytes = std::move(file.bytes);
        }
        identity = *now;
        lookedNs = looked;
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
    const auto edit = [&](const QByteArray &current) -> std::optional<QByteArray> {
        QByteArray next = current;
        for (const auto &[name, data] : changed) {
            std::optional<QByteArray> edited = RegistryText::withValue(next, key, name, data);
            if (!edited)
                return std::nullopt;
            next = std::move(*edited);
        }
        editedKnownBytes = index != nullptr && current == cache.bytes;
        written = next;
        return next;
    };
    const AtomicFile::UpdateResult result = AtomicFile::update(filePath_, edit);
    const std::optional<FileIdentity> now = identityOf(filePath_);
    if (result == AtomicFile::UpdateResult::Written && editedKnownBytes && now) {
        for (const auto &[name, data] : changed)
            index->set(key, name, data);
        cache.bytes = std::move(written);
        cache.identity = *now;
        cache.lookedNs = nowNs();
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
