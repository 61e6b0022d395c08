#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

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

RegistryStore::RegistryStore(QString filePath) : filePath_(std::move(filePath)) {}

bool RegistryStore::keyExists(const QStringList &key) const
{
    if (key.isEmpty())
        return true;
    const AtomicFile::ReadResult file = AtomicFile::read(filePath_);
    return file.status == AtomicFile::ReadStatus::Ok && RegistryText::keyExists(file.bytes, key);
}

std::optional<RegistryText::StoredValue> RegistryStore::value(const QStringList &key, const QString &name) const
{
    const AtomicFile::ReadResult file = AtomicFile::read(filePath_);
    if (file.status != AtomicFile::ReadStatus::Ok)
        return std::nullopt;
    return RegistryText::value(file.bytes, key, name);
}

bool RegistryStore::setValues(const QStringList &key,
                              const std::vector<std::pair<QString, RegistryText::Data>> &values) const
{
    if (filePath_.isEmpty())
        return false;
    // The store's folder is ours to make on first use (~/.config/trawlex).
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
        return false;
    const auto edit = [&](const QByteArray &current) -> std::optional<QByteArray> {
        QByteArray next = current;
        for (const auto &[name, data] : values) {
            std::optional<QByteArray> changed = RegistryText::withValue(next, key, name, data);
            if (!changed)
                return std::nullopt;
            next = std::move(*changed);
        }
        return next;
    };
    return AtomicFile::update(filePath_, edit) != AtomicFile::UpdateResult::Failed;
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
