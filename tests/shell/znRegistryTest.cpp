#include "shell/znRegistry.h"

#include "tests/platform/TempRegistryFile.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TznRegistry *captureRegistry(QObject &owner)
{
    auto *reg = new TznRegistry(&owner);
    reg->setZnKey(QStringLiteral("\\Norvane\\Trawlex\\"));
    return reg;
}

} // namespace

TEST(TznRegistry, SubKeyIsAppendedToTheBaseKeyUnderTheUserRoot)
{
    const TempRegistryFile store;
    QObject owner;
    const TznRegistry *reg = captureRegistry(owner);
    EXPECT_EQ(reg->znRootKey(), -2147483647);

    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("1")), QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(store.path())) << "a read created the store";

    reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("0"));
    reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Filename"), QString());
    EXPECT_EQ(store.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\n\"Type\"=\"0\"\n\"Filename\"=\"\"\n");
    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("1")), QStringLiteral("0"));
    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Filename"), QStringLiteral("d")), QString());
    EXPECT_EQ(reg->ReadString(QStringLiteral("Other"), QStringLiteral("Type"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST(TznRegistry, ReadsGiveTheDefaultForAnythingButAStoredString)
{
    const TempRegistryFile store;
    store.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\n\"Type\"=dword:00000001\n\"Filename\"=\"broken\n");
    QObject owner;
    const TznRegistry *reg = captureRegistry(owner);
    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Filename"), QStringLiteral("d")), QStringLiteral("d"));

    // A later write keeps the line it could not read and stores its own value.
    reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("1"));
    EXPECT_EQ(store.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\n\"Type\"=\"1\"\n\"Filename\"=\"broken\n");
}

TEST(TznRegistry, KeyThatCannotOpenIsSilentButAFailedStoreRaises)
{
    const TempRegistryFile store;
    QObject owner;
    TznRegistry *reg = captureRegistry(owner);
    reg->setZnRootKey(-2147483646); // HKEY_LOCAL_MACHINE: not in the per-user store
    EXPECT_NO_THROW(reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("0")));
    EXPECT_FALSE(QFileInfo::exists(store.path()));

    reg->setZnRootKey(RegistryKey::currentUser);
    reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("0"));
    const QByteArray before = store.read();
    // Holds for root too: a store with no write bit is never replaced.
    ASSERT_TRUE(QFile::setPermissions(store.path(), QFileDevice::ReadOwner));
    try {
        reg->WriteString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("1"));
        ADD_FAILURE() << "a value that was not stored went unreported";
    } catch (const ERegistryException &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Failed to set data for 'Type'"));
    }
    EXPECT_EQ(store.read(), before);
    EXPECT_EQ(reg->ReadString(QStringLiteral("IeSearch"), QStringLiteral("Type"), QStringLiteral("d")), QStringLiteral("0"));
}
