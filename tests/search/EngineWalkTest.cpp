#include "search/EngineWalk.h"
#include "search/EngineRefusal.h"

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

TEST(EngineRefusal, StatusesAndMarksOfPagesThatStandBetweenARobotAndTheResults)
{
    const struct
    {
        const char *why;
        TResultPage page;
        bool resultsExpected;
        const char *reason; // empty: no refusal
    } rows[] = {
        {"results", {"u", "u", 200, "<a href=x>result</a>", 1}, true, ""},
        {"too many requests", {"u", "u", 429, {}, 0}, false, "HTTP status 429"},
        {"unavailable", {"u", "u", 503, {}, 0}, false, "HTTP status 503"},
        {"not found is no refusal", {"u", "u", 404, {}, 0}, true, ""},
        {"no answer is no refusal", {"u", "u", 0, {}, 0}, true, ""},
        {"a captcha script", {"u", "u", 200, "<div class=\"G-Recaptcha\" data-sitekey=k>", 3}, false,
         "a captcha page (\"g-recaptcha\")"},
        {"sent to the sorry page", {"u", "https://www.google.com/sorry/index?continue=x", 200, "<p>sorry</p>", 2}, false,
         "a captcha page (\"/sorry/index\")"},
        {"Baidu's check", {"u", "https://wappass.baidu.com/static/captcha/tuxing.html", 200, {}, 0}, false,
         "a captcha page (\"wappass.baidu.com\")"},
        {"a consent page", {"u", "https://consent.google.com/ml?continue=x", 200, "<form>", 4}, false,
         "a consent page (\"consent.google.com\")"},
        {"the words of one", {"u", "u", 200, "Before you continue to Google", 7}, false,
         "a consent page (\"before you continue to google\")"},
        {"no result where due", {"u", "u", 200, "<a href=/settings>s</a>", 0}, true,
         "no result links on its first result page"},
        {"no result where none is due", {"u", "u", 200, "<p>no more</p>", 0}, false, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(EngineRefusal::reason(row.page, row.resultsExpected), QString::fromUtf8(row.reason));
    }
    EXPECT_EQ(EngineRefusal::message(baidu, QStringLiteral("HTTP status 429")),
              QStringLiteral(u"Engine 百度 is refusing automated requests: HTTP status 429"));
}

TEST(EngineWalk, AThoroughWalkAsksARefusingEngineNothingMoreForThatPhrase)
{
    FileEngine ruled;
    ruled.caption = QStringLiteral("Ruled");
    ruled.address = QStringLiteral("http://r.example/?q={phrase}&o={offset}");
    ruled.encoding = "UTF-8";
    ruled.offsetStep = 1;
    ruled.pages = 3;
    ruled.resultLinks = QStringLiteral("/hit/");
    const QList<EngineRow> rows{{QStringLiteral("Ruled"), true}, {english, true}};
    const QStringList phrases{QStringLiteral("a"), QStringLiteral("b")};
    const TResultPage fine{"u", "u", 200, "<a href=/hit/1>1</a>", 1};
    const TResultPage tooMany{"u", "u", 429, {}, 0};
    const TResultPage noResults{"u", "u", 200, "<a href=/nav>n</a>", 0};

    for (const bool thorough : {true, false}) {
        SCOPED_TRACE(thorough ? "thorough" : "classic: as designed, nothing judged");
        EngineWalk walk(EngineSet(EngineHosts(), {ruled}, thorough));
        walk.start(rows, int(phrases.size()));
        EXPECT_EQ(walk.progressMaximum, 26);
        int position = 0;
        QStringList asked;
        QStringList refused;
        // Phrase a: page 0 answers, page 1 is refused. Phrase b: page 0 has no results.
        // Google(English): refused on its first page of each phrase.
        const std::vector<const TResultPage *> answers{nullptr, &fine, &tooMany, &noResults, &tooMany, &tooMany};
        for (size_t call = 0; call < answers.size(); ++call) {
            const EngineWalk::Answer answer = walk.next(position, rows, phrases, false, answers[call]);
            asked.append(answer.url);
            if (!answer.refusedEngine.isEmpty())
                refused.append(answer.refusedEngine + QStringLiteral(": ") + answer.refusal);
            position = call == 0 ? 1 : position + 1;
        }
        if (!thorough) {
            EXPECT_EQ(refused, QStringList());
            EXPECT_EQ(asked.mid(0, 4), (QStringList{QStringLiteral("http://r.example/?q=a&o=0"), QStringLiteral("http://r.example/?q=a&o=1"),
                                                    QStringLiteral("http://r.example/?q=a&o=2"), QStringLiteral("http://r.example/?q=b&o=0")}));
            EXPECT_FALSE(walk.everyEngineRefused());
            continue;
        }
        EXPECT_EQ(asked, (QStringList{QStringLiteral("http://r.example/?q=a&o=0"), QStringLiteral("http://r.example/?q=a&o=1"),
                                      QStringLiteral("http://r.example/?q=b&o=0"),
                                      QStringLiteral("https://www.google.com/search?q=a+mail&num=100&start=0&sa=N&filter=0"),
                                      QStringLiteral("https://www.google.com/search?q=b+mail&num=100&start=0&sa=N&filter=0"),
                                      QString()}));
        EXPECT_EQ(refused, (QStringList{QStringLiteral("Ruled: HTTP status 429"),
                                        QStringLiteral("Ruled: no result links on its first result page"),
                                        QStringLiteral("Google(English): HTTP status 429"),
                                        QStringLiteral("Google(English): HTTP status 429")}));
        EXPECT_FALSE(walk.everyEngineRefused()) << "Ruled answered page 0 of phrase a";
    }
}

TEST(EngineWalk, EveryEngineRefusedOnlyWhenNoPhraseOfAnyEngineGotThrough)
{
    const QList<EngineRow> rows{{english, true}};
    const TResultPage fine{"u", "u", 200, "<a href=/r>1</a>", 1};
    const TResultPage tooMany{"u", "u", 429, {}, 0};
    const struct
    {
        const char *why;
        std::vector<const TResultPage *> answers;
        bool everyRefused;
    } rows2[] = {
        {"each phrase refused at its first page", {nullptr, &tooMany, &tooMany}, true},
        {"one phrase went through", {nullptr, &tooMany, &fine}, false},
        {"nothing asked", {}, false},
    };
    for (const auto &row : rows2) {
        SCOPED_TRACE(row.why);
        EngineWalk walk(EngineSet(EngineHosts(), {}, true));
        const QStringList phrases{QStringLiteral("a"), QStringLiteral("b")};
        walk.start(rows, 2);
        int position = 0;
        for (size_t call = 0; call < row.answers.size(); ++call) {
            walk.next(position, rows, phrases, false, row.answers[call]);
            position = call == 0 ? 1 : position + 1;
        }
        EXPECT_EQ(walk.everyEngineRefused(), row.everyRefused);
    }
}

} // namespace
