// Engines.ini: which sections make engines, what is said about those that cannot, and the
// addresses and result links of the engines made.

#include "search/EngineFile.h"
#include "search/EngineSet.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

EngineFile readText(const QByteArray &text)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Engines.ini"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    return EngineFile::read(path);
}

const QByteArray good = "[Good]\r\nAddress=https://good.example/s?q={phrase}&o={offset}\r\nPages=2\r\nOffsetStep=10\r\n";

TEST(EngineFile, EachBadSectionIsNamedAndLeftOutTheOthersKept)
{
    const struct
    {
        const char *why;
        QByteArray section;
        const char *problem; // empty: the section makes an engine
    } rows[] = {
        {"complete, caption from the section", "[Plain]\nAddress=http://a.example/?q={phrase}&p={offset}\nPages=3\nOffsetStep=1\n", ""},
        {"one page needs no offset", "[One]\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\n", ""},
        {"no address", "[NoAddress]\nPages=1\nOffsetStep=1\n", "Engines.ini [NoAddress]: no Address; the engine is left out"},
        {"no phrase", "[NoPhrase]\nAddress=http://a.example/?o={offset}\nPages=2\nOffsetStep=1\n",
         "Engines.ini [NoPhrase]: Address has no {phrase}; the engine is left out"},
        {"pages without offset", "[Same]\nAddress=http://a.example/?q={phrase}\nPages=2\nOffsetStep=1\n",
         "Engines.ini [Same]: Address has no {offset}, so its 2 result pages would all be the first; the engine is left out"},
        {"unknown placeholder", "[Typo]\nAddress=http://a.example/?q={phrase}&p={ofset}\nPages=1\nOffsetStep=1\n",
         "Engines.ini [Typo]: Address holds a placeholder other than {phrase} and {offset}; the engine is left out"},
        {"not a web address", "[Ftp]\nAddress=ftp://a.example/{phrase}\nPages=1\nOffsetStep=1\n",
         "Engines.ini [Ftp]: Address is no http:// or https:// address; the engine is left out"},
        {"no host", "[NoHost]\nAddress=http:///?q={phrase}\nPages=1\nOffsetStep=1\n",
         "Engines.ini [NoHost]: Address is no http:// or https:// address; the engine is left out"},
        {"unknown encoding", "[Enc]\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\nEncoding=Klingon-8\n",
         "Engines.ini [Enc]: unknown Encoding \"Klingon-8\"; the engine is left out"},
        {"no pages", "[NoPages]\nAddress=http://a.example/?q={phrase}\nOffsetStep=0\n",
         "Engines.ini [NoPages]: Pages must be a whole number from 1 to 100; the engine is left out"},
        {"too many pages", "[Many]\nAddress=http://a.example/?q={phrase}&o={offset}\nPages=101\nOffsetStep=1\n",
         "Engines.ini [Many]: Pages must be a whole number from 1 to 100; the engine is left out"},
        {"no step", "[NoStep]\nAddress=http://a.example/?q={phrase}\nPages=1\n",
         "Engines.ini [NoStep]: OffsetStep must be a whole number from 0 on; the engine is left out"},
        {"negative first offset", "[First]\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\nFirstOffset=-1\n",
         "Engines.ini [First]: FirstOffset must be a whole number from 0 on; the engine is left out"},
        {"a designed engine's caption", "[Mine]\nCaption=Google(English)\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\n",
         "Engines.ini [Mine]: Caption \"Google(English)\" belongs to another engine; the engine is left out"},
        {"another engine's caption", "[Again]\nCaption=Good\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\n",
         "Engines.ini [Again]: Caption \"Good\" belongs to another engine; the engine is left out"},
        {"a section name twice", "[good]\nAddress=http://a.example/?q={phrase}\nPages=1\nOffsetStep=0\n",
         "Engines.ini [good]: a second section of this name; only the first is read"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        const EngineFile file = readText(good + row.section);
        const bool kept = *row.problem == '\0';
        ASSERT_EQ(file.engines.size(), kept ? 2 : 1);
        EXPECT_EQ(file.engines.first().caption, QStringLiteral("Good")) << "the good section before is kept";
        EXPECT_EQ(file.problems, kept ? QStringList() : QStringList{QString::fromUtf8(row.problem)});
    }
}

TEST(EngineFile, NoFileNoEnginesAndTheProfileRulesOfTheSettingsFile)
{
    const EngineFile none = EngineFile::read(QStringLiteral("/nonexistent/Engines.ini"));
    EXPECT_TRUE(none.engines.isEmpty());
    EXPECT_TRUE(none.problems.isEmpty());

    // A byte-order mark, comments, blanks around names and values, quotes, any case of names.
    const EngineFile file = readText("\xEF\xBB\xBF; mine\r\n  [ First ]  \r\n CAPTION = \" Erste \"\r\n"
                                     "address=http://a.example/?q={phrase}&s={offset}\r\npages=2\r\noffsetstep=5\r\n"
                                     "FirstOffset=1\r\nResultLinks=/out/\r\n;[Commented]\r\n;Address=http://b/\r\n");
    ASSERT_EQ(file.engines.size(), 1) << file.problems.join(QLatin1Char('\n')).toStdString();
    const FileEngine &engine = file.engines.first();
    EXPECT_EQ(engine.section, QStringLiteral("First"));
    EXPECT_EQ(engine.caption, QStringLiteral(" Erste "));
    EXPECT_EQ(engine.encoding, QByteArray("UTF-8"));
    EXPECT_EQ(engine.pages, 2);
    EXPECT_EQ(engine.firstOffset, 1);
    EXPECT_EQ(engine.offsetStep, 5);
    EXPECT_EQ(engine.resultLinks, QStringLiteral("/out/"));
}

TEST(EngineFile, AddressesCarryThePhraseInTheEnginesEncodingAndTheOffsetOfEachPage)
{
    FileEngine engine;
    engine.address = QStringLiteral("https://e.example/s?q={phrase}&first={offset}");
    engine.firstOffset = 1;
    engine.offsetStep = 10;
    engine.pages = 3;
    const QString phrase = QStringLiteral(u"\u90ae\u4ef6 a&b+c");
    engine.encoding = "GBK";
    EXPECT_EQ(engine.searchUrl(2, phrase), QStringLiteral("https://e.example/s?q=%D3%CA%BC%FE%20a%26b%2Bc&first=21"));
    engine.encoding = "UTF-8";
    EXPECT_EQ(engine.searchUrl(0, phrase), QStringLiteral("https://e.example/s?q=%E9%82%AE%E4%BB%B6%20a%26b%2Bc&first=1"));
}

TEST(EngineFile, ResultLinksByPathPrefixOrByAddressPrefix)
{
    FileEngine engine;
    const struct
    {
        const char *rule;
        const char *link;
        bool result;
    } rows[] = {
        {"", "http://anything.example/", true},
        {"/l/", "https://duck.example/l/?uddg=x", true},
        {"/l/", "https://duck.example/settings", false},
        {"/l/", "https://other.example/l/", true},
        {"/out?", "http://e.example/out?u=1", true},
        {"https://e.example/r/", "https://e.example/r/1", true},
        {"https://e.example/r/", "http://e.example/r/1", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.rule) + " " + row.link);
        engine.resultLinks = QString::fromLatin1(row.rule);
        EXPECT_EQ(engine.isResultLink(row.link), row.result);
    }
}

TEST(EngineSet, FileEnginesBesideTheDesignedOnes)
{
    FileEngine mine;
    mine.caption = QStringLiteral("Mine");
    mine.address = QStringLiteral("http://m.example/?q={phrase}&p={offset}");
    mine.encoding = "UTF-8";
    mine.offsetStep = 1;
    mine.pages = 4;
    const EngineSet plain(EngineHosts(), {mine});
    const EngineSet secure(EngineHosts(), {mine}, true);
    const QStringList phrases{QStringLiteral("x")};
    const QString english = QString::fromUtf16(EngineTable::kGoogleEnglish);
    EXPECT_EQ(plain.PageCount(QStringLiteral("Mine")), 4);
    EXPECT_EQ(plain.PageCount(english), 10);
    EXPECT_EQ(plain.BuildSearchURL(QStringLiteral("Mine"), 3, 0, phrases), QStringLiteral("http://m.example/?q=x&p=3"));
    EXPECT_TRUE(plain.BuildSearchURL(QStringLiteral("Mine"), 0, 1, phrases).isEmpty());
    EXPECT_EQ(plain.BuildSearchURL(english, 0, 0, phrases),
              EngineTable::BuildSearchURL(EngineHosts(), english, 0, 0, phrases));
    EXPECT_EQ(secure.BuildSearchURL(english, 0, 0, phrases),
              QStringLiteral("https://www.google.com/search?q=x+mail&num=100&start=0&sa=N&filter=0"));
    EXPECT_EQ(secure.BuildSearchURL(QStringLiteral("Mine"), 0, 0, phrases), QStringLiteral("http://m.example/?q=x&p=0"))
        << "an engine of the file is asked as its address says";
    EXPECT_EQ(plain.TotalResultPages({{english, true}, {QStringLiteral("Mine"), true}, {QStringLiteral("Gone"), true}}, 2),
              28);
}

} // namespace
