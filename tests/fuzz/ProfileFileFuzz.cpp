// The INI reader and writer on arbitrary files, names and values, in every code page the
// language files use: no crash, no hang, and every write reads back, leaves the other values
// as they were and is stable when repeated.

#include "platform/ProfileText.h"

#include <QString>
#include <QStringDecoder>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray take(FuzzedDataProvider &input, size_t longest)
{
    const std::string bytes = input.ConsumeRandomLengthString(longest);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// What a read gives for a stored value: its first line, blanks and one pair of quotes off.
QByteArray readable(QByteArray value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n' || value[i] == '\0') {
            value.truncate(i);
            break;
        }
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!value.isEmpty() && blank(value.front()))
        value.remove(0, 1);
    while (!value.isEmpty() && blank(value.back()))
        value.chop(1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.sliced(1, value.size() - 2);
    return value;
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    static const char *const encodings[] = {"", "windows-1252", "GBK", "Big5", "Shift_JIS"};
    const char *encoding = encodings[input.ConsumeIntegralInRange<int>(0, 4)];
    QStringDecoder decoder(*encoding != '\0' ? encoding : "UTF-8");
    const QString section = decoder.decode(take(input, 24));
    const QString ident = decoder.decode(take(input, 24));
    const QString otherSection = input.ConsumeBool() ? section : decoder.decode(take(input, 24));
    const QString otherIdent = decoder.decode(take(input, 24));
    const QByteArray value = take(input, 64);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray file(rest.data(), qsizetype(rest.size()));

    const std::optional<QByteArray> other = ProfileText::read(file, otherSection, otherIdent, encoding);
    const std::optional<QByteArray> written = ProfileText::write(file, section, ident, value, encoding);
    if (!written)
        return 0;

    check(ProfileText::read(*written, section, ident, encoding) == readable(value));
    if (!(sameName(section, otherSection) && sameName(ident, otherIdent)))
        check(ProfileText::read(*written, otherSection, otherIdent, encoding) == other);
    check(ProfileText::write(*written, section, ident, value, encoding) == written);
    return 0;
}
