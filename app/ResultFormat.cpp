#include "app/ResultFormat.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace ResultFormat {
namespace {

QByteArray shown(const QByteArray &bytes, std::optional<PrintTarget> target)
{
    return target ? printable(bytes, *target) : bytes;
}

QByteArray csvField(const QByteArray &field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

void appendUnicodeEscape(QByteArray &out, char32_t codePoint)
{
    out += "\\u" + QByteArray::number(uint(codePoint), 16).rightJustified(4, '0');
}

QByteArray jsonString(const QByteArray &bytes)
{
    QByteArray out = "\"";
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        if (byte < 0x80) {
            if (byte == '"' || byte == '\\')
                out += '\\' + QByteArray(1, char(byte));
            else if (byte < 0x20 || byte == 0x7F)
                appendUnicodeEscape(out, byte);
            else
                out += char(byte);
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const qsizetype length = utf8Length(bytes, i, &codePoint);
        if (length == 0) {
            appendUnicodeEscape(out, byte); // Latin-1: JSON holds no raw bytes
            ++i;
        } else {
            if (codePoint <= 0x9F)
                appendUnicodeEscape(out, codePoint); // a C1 control, which a terminal obeys
            else
                out += bytes.mid(i, length);
            i += length;
        }
    }
    return out + '"';
}

QByteArray timeText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODate).toLatin1();
}

} // namespace

std::optional<Format> named(const QString &name)
{
    const QString wanted = name.toLower();
    if (wanted == QLatin1String("tsv"))
        return Format::Tsv;
    if (wanted == QLatin1String("csv"))
        return Format::Csv;
    if (wanted == QLatin1String("jsonl"))
        return Format::Jsonl;
    return std::nullopt;
}

QByteArray line(const Found &found, Format format, std::optional<PrintTarget> target)
{
    switch (format) {
    case Format::Tsv:
        return shown(found.address, target) + '\t' + shown(found.source, target);
    case Format::Csv:
        return csvField(shown(found.address, target)) + ',' + csvField(shown(found.source, target)) + ','
               + QByteArray::number(found.level) + ',' + timeText(found.when);
    case Format::Jsonl:
        return "{\"address\":" + jsonString(found.address) + ",\"source\":" + jsonString(found.source)
               + ",\"level\":" + QByteArray::number(found.level) + ",\"found\":\"" + timeText(found.when) + "\"}";
    }
    return {};
}

QByteArray addressOf(const QByteArray &text, Format format)
{
    switch (format) {
    case Format::Tsv:
        return text.left(text.indexOf('\t') < 0 ? text.size() : text.indexOf('\t'));
    case Format::Csv: {
        if (!text.startsWith('"'))
            return text.left(text.indexOf(',') < 0 ? text.size() : text.indexOf(','));
        QByteArray field;
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (text.at(i) != '"') {
                field += text.at(i);
            } else if (i + 1 < text.size() && text.at(i + 1) == '"') {
                field += '"';
                ++i;
            } else {
                break;
            }
        }
        return field;
    }
    case Format::Jsonl:
        return QJsonDocument::fromJson(text).object().value(QStringLiteral("address")).toString().toUtf8();
    }
    return {};
}

} // namespace ResultFormat
