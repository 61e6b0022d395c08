#include "shell/SmartCompare.h"

#include <gtest/gtest.h>

namespace {

const QLocale us(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);
const QLocale finnish(QLocale::Finnish, QLocale::Finland);

// Two-digit years from 1975 to 2074, whatever year the tests run in.
constexpr int centuryBase = 1975;

struct Ordering
{
    const char *a;
    const char *b;
    int expected; // sign of compare(a, b)
};

void expectOrderings(const QLocale &locale, std::initializer_list<Ordering> rows)
{
    const SmartComparer comparer(locale, centuryBase);
    for (const Ordering &row : rows) {
        const QString a = QString::fromUtf8(row.a);
        const QString b = QString::fromUtf8(row.b);
        SCOPED_TRACE(QStringLiteral("%1 | %2 | %3").arg(locale.name(), a, b).toStdString());
        EXPECT_EQ(comparer.compare(a, b), row.expected);
        EXPECT_EQ(comparer.compare(b, a), -row.expected) << "not antisymmetric";
    }
}

} // namespace

TEST(SmartCompare, NumbersCompareByValueWithTheLocalesSeparators)
{
    expectOrderings(us, {
                            {"9", "10", -1},
                            {"-3", "2", -1},
                            {"2.5", "10", -1},
                            {"1e3", "999", 1},
                            {"1,234.5", "999", 1},   // thousands separator removed
                            {"10 kB", "9 kB", 1},    // cut at the first blank
                            {"12", "12.0", 0},
                        });
    expectOrderings(german, {
                                {"1.234,5", "999", 1},  // "1.234,5" becomes 1234.5
                                {"2,5", "10", -1},
                                {"1.5", "1,25", 1},     // converts unchanged first: 1.5 against 1.25
                            });
}

TEST(SmartCompare, DatesAndTimesCompareByWhenInTheShortFormats)
{
    expectOrderings(us, {
                            {"1/2/2024", "12/31/2023", 1},  // as text it would come first
                            {"1/2/24", "12/31/23", 1},
                            {"3/1/80", "3/1/20", -1},       // 1980 before 2020
                            {"1/2/24 9:00 AM", "1/2/24 10:00 AM", -1},
                            {"1/2/24 12:30 AM", "1/2/24 1:00 AM", -1},  // 00:30 before 01:00
                            {"1/2/24 1:00 PM", "1/2/24 11:00 AM", 1},
                            {"9:05", "10:00", -1},
                            {"23:59", "1/1/1900", -1},      // a time lies on day zero
                            {"1/2/24", "1/2/24 0:00", 0},
                        });
    expectOrderings(german, {{"31.12.2023", "1.1.2024", -1}, {"24.12.23 18:00", "24.12.23 9:30", 1}});
    // Date and time separators may be the same character.
    expectOrderings(finnish, {{"2.1.2024", "31.12.2023", 1}, {"9.30", "10.15", -1}});
}

TEST(SmartCompare, AnythingElseComparesAsCaseSensitiveLocaleText)
{
    expectOrderings(us, {
                            {"apple", "Banana", -1},  // by the locale, not by code point
                            {"a", "A", -1},           // case decides last, but it decides
                            {"same", "same", 0},
                            {"10", "9a", -1},         // a number and a text: as texts
                            {"1/2/2024", "9", -1},    // a date and a number: as texts
                            {"5", " 40", 1},          // a leading blank leaves no number
                            {"-inf", "-5", 1},        // converts, but is no usable number
                            {"nan", "5", 1},
                            {"Google(English)", "\xE7\x99\xBE\xE5\xBA\xA6", -1},
                        });
}

// Texts that look like dates but name no day are not dates: they go on to be numbers or texts
// instead of comparing equal to every other text.
TEST(SmartCompare, LookalikesThatAreNoDateFallThroughInsteadOfComparingEqual)
{
    const SmartComparer comparer(us, centuryBase);
    EXPECT_FALSE(comparer.dateTimeValue(QStringLiteral("13/45/2020")));
    EXPECT_FALSE(comparer.dateTimeValue(QStringLiteral("2/30/2024")));
    EXPECT_FALSE(comparer.dateTimeValue(QStringLiteral("1/2/3/4")));
    EXPECT_FALSE(comparer.dateTimeValue(QStringLiteral("25:00")));
    EXPECT_FALSE(comparer.dateTimeValue(QStringLiteral("13:00 PM")));
    EXPECT_TRUE(comparer.dateTimeValue(QStringLiteral("2/29/2024")));
    expectOrderings(us, {{"13/45/2020", "1/1/2020", 1}, {"2/30/2024", "2/3/2024", 1}});
    expectOrderings(german, {{"31.02.2024", "1.03.2024", 1}});
}
