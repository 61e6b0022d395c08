#include "search/EngineWalk.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString baidu = QString::fromUtf16(EngineTable::kBaidu);
const QString english = QString::fromUtf16(EngineTable::kGoogleEnglish);
const QString chinese = QString::fromUtf16(EngineTable::kGoogleChinese);

struct Request
{
    QString url;
    int level; // the level the crawl component fetches the answered page at
};

// Plays the crawl component: the first request enters with 0 and its page is fetched at
// level 0 whatever the walk leaves; every later request enters with the previous level + 1.
std::vector<Request> walkAll(EngineWalk &walk, const QList<EngineRow> &rows, const QStringList &phrases,
                             int stopAfter = -1, bool *stopSearch = nullptr)
{
    walk.start(rows, int(phrases.size()));
    std::vector<Request> requests;
    int level = 0;
    for (int call = 0; call < 1000; ++call) {
        int position = call == 0 ? 0 : level + 1;
        const bool stop = stopAfter >= 0 && call >= stopAfter;
        const EngineWalk::Answer answer = walk.next(position, rows, phrases, stop);
        if (stopSearch != nullptr)
            *stopSearch = *stopSearch || answer.stopSearch;
        level = call == 0 ? 0 : position;
        requests.push_back({answer.url, level});
        if (answer.url.isEmpty() && call > 0)
            break;
    }
    return requests;
}

QStringList urls(const std::vector<Request> &requests)
{
    QStringList list;
    for (const Request &r : requests)
        list << r.url;
    return list;
}

TEST(EngineTable, AddressesOfEachEngine)
{
    const EngineHosts hosts;
    const QStringList phrases{QStringLiteral("shoes")};
    EXPECT_EQ(EngineTable::BuildSearchURL(hosts, english, 3, 0, phrases),
              QStringLiteral("http://www.google.com/search?q=shoes+mail&num=100&start=300&sa=N&filter=0"));
    EXPECT_EQ(EngineTable::BuildSearchURL(hosts, chinese, 0, 0, phrases),
              QStringLiteral("http://www.google.com/search?q=shoes+mail&num=100&hl=zh-CN&lr=lang_zh-CN&start=0&sa=N&filter=0"));
    EXPECT_EQ(EngineTable::BuildSearchURL(hosts, baidu, 75, 0, phrases),
              QStringLiteral("http://www.baidu.com/baidu?word=shoes+Mail&pn=750"));
    EXPECT_TRUE(EngineTable::BuildSearchURL(hosts, QStringLiteral("Yahoo"), 0, 0, phrases).isEmpty());
    EXPECT_TRUE(EngineTable::BuildSearchURL(hosts, english, 0, 1, phrases).isEmpty());
    EXPECT_TRUE(EngineTable::BuildSearchURL(hosts, english, 0, -1, phrases).isEmpty());
    EXPECT_EQ(EngineTable::PageCount(QStringLiteral("Yahoo")), 0);
}

TEST(EngineTable, WireFormEscapesWhatAnAddressCannotCarry)
{
    const QString phrase = QStringLiteral("http://h/baidu?word=") + QString::fromUtf16(u"\u90ae\u4ef6 a&b") +
                           QStringLiteral("+Mail");
    // GBK for Baidu: 邮 is D3 CA, 件 is BC FE; the blank becomes %20, "&" stays as typed.
    EXPECT_EQ(EngineTable::wireForm(phrase, baidu), QByteArray("http://h/baidu?word=%D3%CA%BC%FE%20a&b+Mail"));
    EXPECT_EQ(EngineTable::wireForm(phrase, english),
              QByteArray("http://h/baidu?word=%E9%82%AE%E4%BB%B6%20a&b+Mail"));
}

TEST(EngineWalk, OneEngineAsksEveryPageThenEnds)
{
    struct Row { QString caption; int pages; int step; };
    for (const Row &row : {Row{english, 10, 100}, Row{baidu, 76, 10}}) {
        SCOPED_TRACE(row.caption.toStdString());
        EngineWalk walk;
        QList<EngineRow> rows = EngineTable::initialRows();
        for (EngineRow &r : rows)
            r.included = r.caption == row.caption;
        const std::vector<Request> requests = walkAll(walk, rows, {QStringLiteral("x")});
        ASSERT_EQ(int(requests.size()), row.pages + 1);
        for (int p = 0; p < row.pages; ++p)
            EXPECT_TRUE(requests[size_t(p)].url.endsWith(
                (row.caption == baidu ? QStringLiteral("pn=") : QStringLiteral("start="))
                + QString::number(p * row.step) + (row.caption == baidu ? QString() : QStringLiteral("&sa=N&filter=0"))));
        EXPECT_TRUE(requests.back().url.isEmpty());
        EXPECT_EQ(walk.progressPosition, 0); // dropped when the walk ends on its own
    }
}

TEST(EngineWalk, AllEnginesTwoPhrasesInListOrder)
{
    EngineWalk walk;
    const QStringList phrases{QStringLiteral("one"), QStringLiteral("two")};
    const std::vector<Request> requests = walkAll(walk, EngineTable::initialRows(), phrases);
    EXPECT_EQ(walk.progressMaximum, 192);
    ASSERT_EQ(requests.size(), 193u);
    EXPECT_TRUE(requests[0].url.contains(QStringLiteral("baidu?word=one+")));
    EXPECT_TRUE(requests[76].url.contains(QStringLiteral("baidu?word=two+")));
    EXPECT_TRUE(requests[152].url.contains(QStringLiteral("q=one+mail&num=100&start=0")));
    EXPECT_TRUE(requests[162].url.contains(QStringLiteral("q=two+mail&num=100&start=0")));
    EXPECT_TRUE(requests[172].url.contains(QStringLiteral("q=one+mail&num=100&hl=zh-CN")));
    EXPECT_TRUE(requests[191].url.contains(QStringLiteral("q=two+mail&num=100&hl=zh-CN")));
    EXPECT_TRUE(requests[191].url.contains(QStringLiteral("start=900")));
}

TEST(EngineWalk, ExcludedRows)
{
    {
        SCOPED_TRACE("first row excluded: page 0 then page 1 of the second");
        EngineWalk walk;
        QList<EngineRow> rows = EngineTable::initialRows();
        rows[0].included = false;
        const std::vector<Request> requests = walkAll(walk, rows, {QStringLiteral("x")});
        EXPECT_TRUE(requests[0].url.endsWith(QStringLiteral("start=0&sa=N&filter=0")));
        EXPECT_TRUE(requests[1].url.endsWith(QStringLiteral("start=100&sa=N&filter=0")));
        EXPECT_EQ(requests.size(), 21u);
    }
    {
        SCOPED_TRACE("all excluded: empty answers and a stop request");
        EngineWalk walk;
        QList<EngineRow> rows = EngineTable::initialRows();
        for (EngineRow &r : rows)
            r.included = false;
        bool stopSearch = false;
        const std::vector<Request> requests = walkAll(walk, rows, {QStringLiteral("x")}, -1, &stopSearch);
        EXPECT_EQ(urls(requests), (QStringList{QString(), QString()}));
        EXPECT_TRUE(stopSearch);
    }
}

TEST(EngineWalk, PhrasesGoInAsTheyStand)
{
    EngineWalk walk;
    QList<EngineRow> rows{{english, true}};
    const std::vector<Request> requests = walkAll(walk, rows, {QString(), QStringLiteral("red shoes")});
    EXPECT_TRUE(requests[0].url.contains(QStringLiteral("/search?q=+mail&")));
    EXPECT_TRUE(requests[10].url.contains(QStringLiteral("/search?q=red shoes+mail&")));
}

TEST(EngineWalk, StopAnswersEmptyAndKeepsTheProgress)
{
    EngineWalk walk;
    const std::vector<Request> requests = walkAll(walk, EngineTable::initialRows(), {QStringLiteral("x")}, 5);
    EXPECT_EQ(requests.size(), 6u);
    EXPECT_TRUE(requests[5].url.isEmpty());
    EXPECT_EQ(walk.progressPosition, 5);
}

TEST(EngineWalk, ReorderedRowsChangeTheOrderOfEngines)
{
    EngineWalk walk;
    QList<EngineRow> rows = EngineTable::initialRows();
    std::swap(rows[0], rows[2]);
    const std::vector<Request> requests = walkAll(walk, rows, {QStringLiteral("x")});
    EXPECT_TRUE(requests[0].url.contains(QStringLiteral("hl=zh-CN")));
    EXPECT_TRUE(requests[20].url.contains(QStringLiteral("baidu?word=")));
}

TEST(EngineWalk, LevelsLeaveEachPhrasesLastPageQueueable)
{
    // With depth 3 a result page's links are queued when its level + 1 <= 3.
    EngineWalk walk;
    QList<EngineRow> rows{{english, true}};
    const std::vector<Request> requests = walkAll(walk, rows, {QStringLiteral("a"), QStringLiteral("b")});
    std::vector<int> queued;
    for (size_t i = 0; i + 1 < requests.size(); ++i)
        if (requests[i].level + 1 <= 3)
            queued.push_back(int(i));
    EXPECT_EQ(queued, (std::vector<int>{0, 1, 2, 9, 10, 11, 12, 19}));
}

TEST(EngineWalk, EnginesOfTheFileWalkBehindTheDesignedOnesWithTheirOwnPagesAndResultLinks)
{
    FileEngine ruled;
    ruled.caption = QStringLiteral("Ruled");
    ruled.address = QStringLiteral("http://r.example/?q={phrase}&o={offset}");
    ruled.encoding = "UTF-8";
    ruled.offsetStep = 20;
    ruled.pages = 2;
    ruled.resultLinks = QStringLiteral("/hit/");
    FileEngine open = ruled;
    open.caption = QStringLiteral("Open");
    open.pages = 1;
    open.resultLinks.clear();
    EngineWalk walk(EngineSet(EngineHosts(), {ruled, open}));
    const QList<EngineRow> rows{{english, false}, {QStringLiteral("Ruled"), true}, {QStringLiteral("Open"), true}};
    walk.start(rows, 1);
    EXPECT_EQ(walk.progressMaximum, 3);
    int position = 0;
    const QStringList phrases{QStringLiteral("a b")};
    const EngineWalk::Answer first = walk.next(position, rows, phrases, false);
    EXPECT_EQ(first.url, QStringLiteral("http://r.example/?q=a%20b&o=0"));
    ASSERT_TRUE(first.resultLinks);
    EXPECT_TRUE(first.resultLinks("http://site.example/hit/1"));
    EXPECT_FALSE(first.resultLinks("http://r.example/next"));
    position = 1;
    EXPECT_EQ(walk.next(position, rows, phrases, false).url, QStringLiteral("http://r.example/?q=a%20b&o=20"));
    EXPECT_EQ(position, -1) << "the phrase's last page";
    position = 0;
    const EngineWalk::Answer last = walk.next(position, rows, phrases, false);
    EXPECT_EQ(last.url, QStringLiteral("http://r.example/?q=a%20b&o=0"));
    EXPECT_FALSE(last.resultLinks) << "no rule: every link counts";
    position = 0;
    EXPECT_TRUE(walk.next(position, rows, phrases, false).url.isEmpty());
}

} // namespace
