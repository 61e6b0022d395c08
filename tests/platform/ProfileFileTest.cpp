#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class ProfileFileTest : public testing::Test
{
protected:
    QString path(const QString &name = QStringLiteral("TrawlMain.ini")) const { return dir_.filePath(name); }

    void put(const QByteArray &bytes, const QString &name = QStringLiteral("TrawlMain.ini")) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray bytes(const QString &name = QStringLiteral("TrawlMain.ini")) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static ino_t inode(const QString &file)
    {
        struct stat info {};
        return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_ino : 0;
    }

    static unsigned mode(const QString &file)
    {
        struct stat info {};
        return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode & 07777u : 0u;
    }

    QTemporaryDir dir_;
};

} // namespace

// The cut counts bytes of the file's code page, 2047 of them, and leaves out a double-byte
// character that does not fit whole; single-byte characters of a double-byte code page (ASCII,
// Shift_JIS half-width katakana) take one byte.
TEST_F(ProfileFileTest, LongValueIsStoredWholeAndReadCutAt2047BytesOfItsCodePage)
{
    const QString han(3000, QChar(0x4E2D));
    const QString halfWidthKatakana(3000, QChar(0xFF71));
    struct Row
    {
        const char *encoding;
        QString value;
        qsizetype storedBytes;
        QString read;
    };
    const Row rows[] = {
        {"GBK", han, 6000, han.left(1023)},
        {"GBK", QLatin1Char('!') + han, 6001, QLatin1Char('!') + han.left(1023)},
        {"Big5", QStringLiteral("ab") + han, 6002, QStringLiteral("ab") + han.left(1022)},
        {"Shift_JIS", halfWidthKatakana.left(3) + han, 6003, halfWidthKatakana.left(3) + han.left(1022)},
        {"Shift_JIS", halfWidthKatakana, 3000, halfWidthKatakana.left(2047)},
        {"windows-1252", QString(3000, QChar(0xE9)), 3000, QString(2047, QChar(0xE9))},
        {"", han, 9000, han.left(682)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.encoding) + " " + std::to_string(row.storedBytes));
        QFile::remove(path(QStringLiteral("Long.ini")));
        const ProfileFile ini(path(QStringLiteral("Long.ini")), row.encoding);
        ASSERT_TRUE(ini.writeString(QStringLiteral("A"), QStringLiteral("x"), row.value));
        EXPECT_EQ(bytes(QStringLiteral("Long.ini")).size(), qsizetype(5 + 2 + row.storedBytes + 2));
        EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("x"), {}), row.read);
    }
}

// The write bit rule holds for root too, so this runs in either case.
TEST_F(ProfileFileTest, ReadOnlyFolderGetsNoNewFile)
{
    const QString folder = dir_.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(ProfileFile(folder + QStringLiteral("/new.ini")).writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/new.ini")));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ProfileFileTest, WritesReplaceTheFileAtomicallyAndOnlyWhenSomethingChanged)
{
    put("; kept\n[A]\nx=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0640), 0);
    const ProfileFile ini(path());
    const ino_t before = inode(path());
    ASSERT_TRUE(ini.writeString(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("1")));
    EXPECT_EQ(inode(path()), before) << "an unchanged value rewrote the file";

    ASSERT_TRUE(ini.writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2")));
    EXPECT_NE(inode(path()), before) << "the file was written in place, not replaced";
    EXPECT_EQ(bytes(), "; kept\n[A]\nx=2\n");
    EXPECT_EQ(mode(path()), 0640u) << "the replacement lost the file's permissions";
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("TrawlMain.ini")});
}

TEST_F(ProfileFileTest, NeitherHangsOnNorReplacesWhatIsNoRegularFile)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0644), 0);
    const ProfileFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_FALSE(ini.writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1")));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(ProfileFileTest, ReadsSeeEveryChangeMadeByAnotherProgram)
{
    put("[A]\nx=1\n");
    const ProfileFile ini(path());
    // Same size, same inode, within the same clock tick: only a real read sees it.
    for (char digit = '2'; digit <= '9'; ++digit) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(6);
        file.write(&digit, 1);
        file.close();
        EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("x"), {}), QString(QLatin1Char(digit)));
    }
}

TEST_F(ProfileFileTest, ReadersNeverSeeAHalfWrittenFile)
{
    const ProfileFile ini(path());
    const QString first(20000, QLatin1Char('a'));
    const QString second(30000, QLatin1Char('b'));
    ASSERT_TRUE(ini.writeString(QStringLiteral("A"), QStringLiteral("x"), first));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 60; ++i)
            ini.writeString(QStringLiteral("A"), QStringLiteral("x"), i % 2 != 0 ? first : second);
        done = true;
    });
    int torn = 0;
    for (int i = 0; i < 2000 && !done; ++i) {
        const QString seen = ini.value(QStringLiteral("A"), QStringLiteral("x")).value_or(QString());
        if (seen != first.left(2047) && seen != second.left(2047))
            ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(ProfileFileTest, TwoProcessesWritingOneFileKeepEachOthersValues)
{
    constexpr int perProcess = 25;
    pid_t children[2] = {};
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            const ProfileFile ini(path());
            bool ok = true;
            for (int i = 0; i < perProcess; ++i)
                ok = ini.writeString(QStringLiteral("S%1").arg(i % 3), QStringLiteral("p%1_%2").arg(child).arg(i),
                                     QString::number(i)) && ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const ProfileFile ini(path());
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < perProcess; ++i) {
            SCOPED_TRACE(QStringLiteral("p%1_%2").arg(child).arg(i).toStdString());
            EXPECT_EQ(ini.readString(QStringLiteral("S%1").arg(i % 3), QStringLiteral("p%1_%2").arg(child).arg(i), {}),
                      QString::number(i));
        }
    }
}
