#include "app/PrintableText.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintableText, ControlsAreEscapedAndTextIsKept)
{
    const struct
    {
        QByteArray in;
        PrintTarget target;
        QByteArray out;
    } rows[] = {
        {"a@b.example", PrintTarget::Terminal, "a@b.example"},
        {"x\x1b]0;T\x07y", PrintTarget::Pipe, "x\\x1b]0;T\\x07y"},
        {QByteArray("n\0l\t\r\n\x7f", 7), PrintTarget::Pipe, "n\\x00l\\x09\\x0d\\x0a\\x7f"},
        // UTF-8 text stays readable, also where its continuation bytes lie in 0x80-0x9F.
        {"\xe2\x82\xac \xe4\xb8\xad", PrintTarget::Terminal, "\xe2\x82\xac \xe4\xb8\xad"},
        // C1 controls, as UTF-8 or as stray bytes: escaped for a terminal only.
        {"a\xc2\x9b" "2Jb", PrintTarget::Terminal, "a\\xc2\\x9b2Jb"},
        {"a\xc2\x9b" "2Jb", PrintTarget::Pipe, "a\xc2\x9b" "2Jb"},
        {"a\x9b" "2J", PrintTarget::Terminal, "a\\x9b2J"},
        {"a\x9b" "2J", PrintTarget::Pipe, "a\x9b" "2J"},
        // An overlong form of ESC is no valid UTF-8: its bytes are not taken as a character.
        {"\xc0\x9b", PrintTarget::Terminal, "\xc0\\x9b"},
        // Latin-1 text that is not UTF-8 keeps its letters.
        {"caf\xe9", PrintTarget::Terminal, "caf\xe9"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.in.toHex(' ').toStdString());
        EXPECT_EQ(printable(row.in, row.target), row.out);
    }
}

} // namespace
