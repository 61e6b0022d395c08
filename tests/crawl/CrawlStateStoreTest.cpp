// The state file a thorough crawl resumes from.

#include "crawl/CrawlStateStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(CrawlStateStore, KeepsWhatIsDoneAndWhatWaitsAcrossAReopenTheLowestLevelFirst)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("crawl.state"));
    QString error;
    {
        const auto store = CrawlStateStore::open(file, &error);
        ASSERT_TRUE(store) << error.toStdString();
        EXPECT_TRUE(store->start().isEmpty()) << "a new file holds no crawl";
        ASSERT_TRUE(store->begin("http://site.example/", "http://site.example/"));
        ASSERT_TRUE(store->record({"http://site.example/"}, {{"http://site.example/b", 2}, {"http://site.example/a", 1}}));
        ASSERT_TRUE(store->record({"http://site.example/a"}, {{"http://site.example/b", 1}, {"http://site.example/c", 2}}))
            << "a link met twice keeps the level it was first met at";
    }
    const auto store = CrawlStateStore::open(file, &error);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->start(), "http://site.example/");
    std::vector<QByteArray> waiting;
    for (const CrawlStateStore::Page &page : store->waitingPages())
        waiting.push_back(page.url + ' ' + QByteArray::number(page.level));
    EXPECT_EQ(waiting, (std::vector<QByteArray>{"http://site.example/b 2", "http://site.example/c 2"}));
    EXPECT_EQ(store->donePages(), (std::vector<QByteArray>{"http://site.example/", "http://site.example/a"}));
}

TEST(CrawlStateStore, AFileThatIsNoStateFileIsRefusedAndLeftAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.txt"));
    const QByteArray text = QByteArray("These are my notes, not a database.\n").repeated(200);
    {
        QFile notes(file);
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write(text);
    }
    QString error;
    EXPECT_FALSE(CrawlStateStore::open(file, &error));
    EXPECT_FALSE(error.isEmpty());
    QFile notes(file);
    ASSERT_TRUE(notes.open(QIODevice::ReadOnly));
    EXPECT_EQ(notes.readAll(), text);
    EXPECT_FALSE(CrawlStateStore::open(dir.filePath(QStringLiteral("no/such/folder/crawl.state")), &error));
}

} // namespace
