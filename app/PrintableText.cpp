#include "app/PrintableText.h"

namespace {

void appendEscaped(QByteArray &out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

} // namespace

qsizetype utf8Length(const QByteArray &bytes, qsizetype at, char32_t *codePoint)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes.at(i)); };
    const unsigned char lead = byte(at);
    qsizetype length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

QByteArray printable(const QByteArray &bytes, PrintTarget target)
{
    const bool terminal = target == PrintTarget::Terminal;
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        if (byte < 0x20 || byte == 0x7F) {
            appendEscaped(out, byte);
            ++i;
            continue;
        }
        if (byte < 0x80) {
            out += char(byte);
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const qsizetype length = utf8Length(bytes, i, &codePoint);
        if (length == 0) {
            // Not UTF-8: a stray C1 byte is a control to an 8-bit terminal; anything else is
            // shown as it came.
            if (terminal && byte <= 0x9F)
                appendEscaped(out, byte);
            else
                out += char(byte);
            ++i;
            continue;
        }
        if (terminal && codePoint <= 0x9F) {
            for (qsizetype k = 0; k < length; ++k)
                appendEscaped(out, static_cast<unsigned char>(bytes.at(i + k)));
        } else {
            out += bytes.mid(i, length);
        }
        i += length;
    }
    return out;
}
