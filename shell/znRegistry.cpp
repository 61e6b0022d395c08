#include "shell/znRegistry.h"

ERegistryException::ERegistryException(const QString &message) : std::runtime_error(message.toStdString()) {}

TznRegistry::TznRegistry(QObject *owner) : QObject(owner) {}

std::optional<RegistryKey> TznRegistry::OpenKey(const QString &SubKey, bool create) const
{
    return RegistryKey::open(root_, key_ + SubKey, create);
}

QString TznRegistry::ReadString(const QString &SubKey, const QString &Name, const QString &Default) const
{
    const std::optional<RegistryKey> key = OpenKey(SubKey, false);
    if (!key)
        return Default;
    return key->readString(Name).value_or(Default);
}

void TznRegistry::WriteString(const QString &SubKey, const QString &Name, const QString &Value) const
{
    const std::optional<RegistryKey> key = OpenKey(SubKey, true);
    if (!key)
        return;
    if (!key->writeString(Name, Value))
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(Name));
}
