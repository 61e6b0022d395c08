#include "app/ResultFormat.h"

#include <gtest/gtest.h>

namespace {

using ResultFormat::Format;

const QDateTime kFound = QDateTime::fromString(QStringLiteral("2026-03-04T05:06:07Z"), Qt::ISODate);

TEST(ResultFormat, EachFormatToAFileAndToATerminal)
{
    struct Row { QByteArray address; QByteArray source; Format format; std::optional<PrintTarget> target; QByteArray line; };
    const Row rows[] = {
        {"a@b.example", "http://b.example/", Format::Tsv, std::nullopt, "a@b.example\thttp://b.example/"},
        {"a@b.example", "http://b.example/", Format::Csv, std::nullopt, "a@b.example,http://b.example/,2,2026-03-04T05:06:07Z"},
        // RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
        {"a@b.example", "http://b.example/?q=1,2&x=\"y\"", Format::Csv, std::nullopt,
         "a@b.example,\"http://b.example/?q=1,2&x=\"\"y\"\"\",2,2026-03-04T05:06:07Z"},
        {"a@b.example", "http://b.example/\r\nx", Format::Csv, std::nullopt,
         "a@b.example,\"http://b.example/\r\nx\",2,2026-03-04T05:06:07Z"},
        // On a terminal the line break is shown escaped, so nothing is left to quote.
        {"a@b.example", "http://b.example/\r\nx", Format::Csv, PrintTarget::Terminal,
         "a@b.example,http://b.example/\\x0d\\x0ax,2,2026-03-04T05:06:07Z"},
        {"a@b.example", "http://b.example/\x1b]0;T\x07", Format::Tsv, PrintTarget::Terminal,
         "a@b.example\thttp://b.example/\\x1b]0;T\\x07"},
        {"a@b.example", "http://b.example/\"\\", Format::Jsonl, std::nullopt,
         R"({"address":"a@b.example","source":"http://b.example/\"\\","level":2,"found":"2026-03-04T05:06:07Z"})"},
        // JSON holds no raw control and no byte that is no UTF-8; a C1 control is escaped too, and
        // other UTF-8 stays readable.
        {"\xc3\xa9@b.example", "http://b.example/\x1b\xe9\xc2\x9b", Format::Jsonl, PrintTarget::Terminal,
         "{\"address\":\"\xc3\xa9@b.example\",\"source\":\"http://b.example/\\u001b\\u00e9\\u009b\",\"level\":2,"
         "\"found\":\"2026-03-04T05:06:07Z\"}"},
    };
    for (const Row &row : rows) {
        const ResultFormat::Found found{row.address, row.source, 2, kFound};
        EXPECT_EQ(ResultFormat::line(found, row.format, row.target), row.line) << row.line.constData();
        if (!row.target) {
            EXPECT_EQ(ResultFormat::addressOf(row.line, row.format), row.address) << row.line.constData();
        }
    }
}

TEST(ResultFormat, NamedInAnyCase)
{
    EXPECT_EQ(ResultFormat::named(QStringLiteral("CSV")), Format::Csv);
    EXPECT_EQ(ResultFormat::named(QStringLiteral("jsonl")), Format::Jsonl);
    EXPECT_EQ(ResultFormat::named(QStringLiteral("tsv")), Format::Tsv);
    EXPECT_FALSE(ResultFormat::named(QStringLiteral("json")));
}

} // namespace
