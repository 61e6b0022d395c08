#include "platform/AppendLine.h"

#include "tests/support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(AppendLine, AddsCrLfAndKeepsWhatIsThere)
{
    const TempProgramFolder folder;
    writeFile(folder.file(QStringLiteral("Err.ini")), "earlier line\r\n");

    AppendLine(QStringLiteral("Err.ini"), "HTTP/1.1 404 Not Found");
    AppendLine(QStringLiteral("Err.ini"), QByteArrayView("bytes \0 and \xe4\xb8\xad as they are", 27));
    AppendLine(QStringLiteral("Err.ini"), "");

    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")),
              QByteArray("earlier line\r\nHTTP/1.1 404 Not Found\r\nbytes \0 and \xe4\xb8\xad as they are\r\n\r\n",
                         14 + 24 + 29 + 2));
}

TEST(AppendLine, CreatesAMissingFileInTheProgramFolder)
{
    const TempProgramFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sub")));

    AppendLine(QStringLiteral("Emails.txt"), "a@b.com");
    AppendLine(QStringLiteral("sub/found.txt"), "c@d.com");

    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")), "a@b.com\r\n");
    EXPECT_EQ(folder.read(QStringLiteral("sub/found.txt")), "c@d.com\r\n");
}

TEST(AppendLine, AbsoluteNamesStandAsTheyAre)
{
    const TempProgramFolder folder;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());

    const QString absolute = elsewhere.filePath(QStringLiteral("result.txt"));
    AppendLine(absolute, "slash");
    EXPECT_EQ(readFile(absolute), "slash\r\n");

    // A name with ":" is a Windows user's full path: it is not put under the program folder.
    // Relative to the current directory here, so that is pointed at a folder of our own.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    AppendLine(QStringLiteral("c:mail.txt"), "colon");
    QDir::setCurrent(previous);
    EXPECT_EQ(readFile(elsewhere.filePath(QStringLiteral("c:mail.txt"))), "colon\r\n");

    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(AppendLine, FailuresAreSilent)
{
    const TempProgramFolder folder;
    AppendLine(QStringLiteral("missing/folder/Err.ini"), "lost");
    AppendLine(QStringLiteral("/nonexistent-trawlex-folder/Err.ini"), "lost");
    AppendLine(QString(), "names the folder itself");
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(AppendLine, WhatIsNoRegularFileFailsAtOnceAndSaysWhy)
{
    const TempProgramFolder folder;
    const QByteArray fifo = QFile::encodeName(folder.file(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    for (const char *name : {"fifo", "folder", "/dev/null"}) {
        SCOPED_TRACE(name);
        QString reason;
        // Without a reader a blocking open would wait here for good.
        EXPECT_FALSE(AppendLine(QString::fromLatin1(name), "line", &reason));
        EXPECT_FALSE(reason.isEmpty());
    }
    // A FIFO that has a reader is still no result file.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(AppendLine(QStringLiteral("fifo"), "line"));
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
}

// A file size limit makes the kernel write only part of a line, as a full disk does.
TEST(AppendLine, AShortWriteLeavesNoPartOfTheLine)
{
    const TempProgramFolder folder;
    const QString file = folder.file(QStringLiteral("Emails.txt"));
    writeFile(file, "a@b.example\r\n");
    rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString reason;
    const bool written = AppendLine(file, "cut@off.example", &reason);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(readFile(file), "a@b.example\r\n");
    EXPECT_TRUE(AppendLine(file, "next@line.example"));
    EXPECT_EQ(readFile(file), "a@b.example\r\nnext@line.example\r\n");
}

TEST(AppendLine, ConcurrentWritersNeverShareALine)
{
    const TempProgramFolder folder;
    constexpr int kThreads = 6;
    constexpr int kLines = 300;
    // Long lines, so that a line written in pieces would very likely be split by another.
    auto lineOf = [](int thread, int index) {
        return "t" + QByteArray::number(thread) + '-' + QByteArray::number(index) + '-'
            + QByteArray(3000, char('a' + thread));
    };

    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &lineOf] {
            for (int i = 0; i < kLines; ++i)
                AppendLine(QStringLiteral("Emails.txt"), lineOf(t, i));
        });
    }
    for (std::thread &writer : writers)
        writer.join();

    const QByteArray written = folder.read(QStringLiteral("Emails.txt"));
    ASSERT_TRUE(written.endsWith("\r\n"));
    QList<QByteArray> lines = written.split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1);
    lines.removeLast();

    int next[kThreads] = {};
    for (QByteArray &line : lines) {
        ASSERT_TRUE(line.endsWith('\r'));
        line.chop(1);
        const int thread = line.mid(1, line.indexOf('-') - 1).toInt();
        ASSERT_GE(thread, 0);
        ASSERT_LT(thread, kThreads);
        // Whole, and in each writer's own order.
        ASSERT_EQ(line, lineOf(thread, next[thread]));
        ++next[thread];
    }
}
