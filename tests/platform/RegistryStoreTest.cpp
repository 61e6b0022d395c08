#include "platform/RegistryStore.h"

#include "tests/platform/TempRegistryFile.h"

#include <QFile>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class EnvironmentVariable final
{
public:
    EnvironmentVariable(const char *name, const QByteArray &value) : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvironmentVariable()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EnvironmentVariable(const EnvironmentVariable &) = delete;
    EnvironmentVariable &operator=(const EnvironmentVariable &) = delete;

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

ino_t inode(const QString &file)
{
    struct stat info {};
    return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

TEST(RegistryStore, FileLiesWhereTheEnvironmentSays)
{
    struct Row
    {
        QByteArray override;
        QByteArray xdg;
        QString expected;
    };
    const Row rows[] = {
        {"/tmp/x/store.reg", "/cfg", QStringLiteral("/tmp/x/store.reg")},
        {QByteArray(), "/cfg", QStringLiteral("/cfg/trawlex/registry.reg")},
        {QByteArray(), "relative/cfg", QStringLiteral("/home/someone/.config/trawlex/registry.reg")},
        {QByteArray(), QByteArray(), QStringLiteral("/home/someone/.config/trawlex/registry.reg")},
    };
    const EnvironmentVariable home("HOME", "/home/someone");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expected.toStdString());
        const EnvironmentVariable store(RegistryStore::fileVariable, row.override);
        const EnvironmentVariable xdg("XDG_CONFIG_HOME", row.xdg);
        EXPECT_EQ(RegistryStore::defaultFilePath(), row.expected);
    }
}

TEST(RegistryStore, KeysOpenOnlyUnderTheUserRootAndWithoutCreatingOnlyWhenPresent)
{
    const TempRegistryFile store;
    EXPECT_FALSE(RegistryKey::open(RegistryKey::currentUser, u"Norvane\\Trawlex", false).has_value());
    EXPECT_TRUE(RegistryKey::open(RegistryKey::currentUser, u"", false).has_value());
    EXPECT_FALSE(RegistryKey::open(-2147483646 /* HKEY_LOCAL_MACHINE */, u"Norvane", true).has_value());
    EXPECT_FALSE(QFileInfo::exists(store.path()));

    const std::optional<RegistryKey> created = RegistryKey::open(RegistryKey::currentUser, u"\\Norvane\\Trawlex\\x", true);
    ASSERT_TRUE(created.has_value());
    ASSERT_TRUE(created->writeInteger(QStringLiteral("Left"), 12)); // makes the store's folder too
    ASSERT_TRUE(created->writeString(QStringLiteral("Name"), QStringLiteral("v")));
    EXPECT_EQ(store.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\x]\n\"Left\"=dword:0000000c\n\"Name\"=\"v\"\n");

    const std::optional<RegistryKey> parent = RegistryKey::open(RegistryKey::currentUser, u"norvane\\TRAWLEX", false);
    ASSERT_TRUE(parent.has_value());
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, u"Norvane\\Trawlex\\X", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->readInteger(QStringLiteral("left")), 12);
    EXPECT_EQ(key->readString(QStringLiteral("Left")), std::nullopt);
    EXPECT_EQ(key->readInteger(QStringLiteral("Name")), std::nullopt);
    EXPECT_TRUE(key->valueExists(QStringLiteral("NAME")));
    EXPECT_FALSE(key->valueExists(QStringLiteral("Top")));
}

TEST(RegistryStore, StoringWhatIsStoredLeavesTheFileAlone)
{
    const TempRegistryFile store;
    store.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n");
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, u"A", true);
    ASSERT_TRUE(key.has_value());

    const ino_t before = inode(store.path());
    EXPECT_TRUE(key->writeString(QStringLiteral("X"), QStringLiteral("1")));
    EXPECT_EQ(inode(store.path()), before) << "an unchanged value rewrote the store";
    EXPECT_TRUE(key->writeValues({{QStringLiteral("x"), QStringLiteral("2")}, {QStringLiteral("x"), QStringLiteral("1")}}));
    EXPECT_EQ(inode(store.path()), before) << "a batch that ends where it began rewrote the store";
}

// The store keeps what it read of the file; a change made behind its back is seen at once, also
// one of the same size made within the same clock tick of the file system.
TEST(RegistryStore, AChangeByAnotherWriterIsSeenAtOnce)
{
    const TempRegistryFile store;
    const QByteArray before = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n";
    QByteArray after = before;
    after.replace("\"1\"", "\"2\"");
    store.write(before);
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, u"A", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->readString(QStringLiteral("x")), QStringLiteral("1"));
    store.write(after);
    EXPECT_EQ(key->readString(QStringLiteral("x")), QStringLiteral("2"));
    EXPECT_TRUE(key->writeString(QStringLiteral("x"), QStringLiteral("1")));
    EXPECT_EQ(store.read(), before) << "a value the other writer changed was taken as stored";
    store.write(before + "\"y\"=dword:00000003\n");
    EXPECT_EQ(key->readInteger(QStringLiteral("y")), 3);
    QFile::remove(store.path());
    EXPECT_FALSE(key->valueExists(QStringLiteral("x")));
}

// Writes in a batch are read back at once and reach the file in one replacement at its end.
TEST(RegistryStore, ABatchWritesItsKeysInOneReplacementWhenItEnds)
{
    const TempRegistryFile store;
    const QByteArray before = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n";
    store.write(before);
    const ino_t untouched = inode(store.path());
    {
        const RegistryStore::Batch outer;
        {
            const RegistryStore::Batch inner;
            for (const char16_t *path : {u"A", u"B\\C", u"B"}) {
                const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, path, true);
                ASSERT_TRUE(key.has_value());
                EXPECT_TRUE(key->writeValues({{QStringLiteral("x"), QStringLiteral("2")}, {QStringLiteral("n"), 5}}));
            }
        }
        EXPECT_EQ(store.read(), before) << "written before the last batch ended";
        EXPECT_EQ(inode(store.path()), untouched);
        const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, u"b\\c", false);
        ASSERT_TRUE(key.has_value()) << "a key held back is not seen";
        EXPECT_EQ(key->readInteger(QStringLiteral("N")), 5);
    }
    EXPECT_EQ(store.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"2\"\n\"n\"=dword:00000005\n\n"
                            "[HKEY_CURRENT_USER\\B\\C]\n\"x\"=\"2\"\n\"n\"=dword:00000005\n\n"
                            "[HKEY_CURRENT_USER\\B]\n\"x\"=\"2\"\n\"n\"=dword:00000005\n");

    // A store that cannot be written says so at once, batch or not.
    ASSERT_TRUE(QFile::setPermissions(store.path(), QFileDevice::ReadOwner));
    const RegistryStore::Batch batch;
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, u"A", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_FALSE(key->writeString(QStringLiteral("x"), QStringLiteral("3")));
    EXPECT_EQ(key->readString(QStringLiteral("x")), QStringLiteral("2"));
    ASSERT_TRUE(QFile::setPermissions(store.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

TEST(RegistryStore, TwoProcessesWritingTheStoreKeepEachOthersValues)
{
    const TempRegistryFile store;
    constexpr int perProcess = 25;
    pid_t children[2] = {};
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            bool ok = true;
            for (int i = 0; i < perProcess; ++i) {
                const std::optional<RegistryKey> key =
                    RegistryKey::open(RegistryKey::currentUser, QStringLiteral("K%1").arg(i % 4), true);
                ok = key && key->writeInteger(QStringLiteral("p%1_%2").arg(child).arg(i), i) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < perProcess; ++i) {
            SCOPED_TRACE(QStringLiteral("p%1_%2").arg(child).arg(i).toStdString());
            const std::optional<RegistryKey> key =
                RegistryKey::open(RegistryKey::currentUser, QStringLiteral("K%1").arg(i % 4), false);
            ASSERT_TRUE(key.has_value());
            EXPECT_EQ(key->readInteger(QStringLiteral("p%1_%2").arg(child).arg(i)), i);
        }
    }
}
