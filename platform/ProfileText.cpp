#include "platform/ProfileText.h"

#include "platform/TextLines.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

using TextLines::trimmed;

// Printable ASCII reads as itself in every code page the files use; control characters need
// not (Shift_JIS as ICU has it swaps some), so they take the decoding path.
bool isPlainAscii(unsigned c)
{
    return (c >= 0x20 && c < 0x7F) || c == '\t';
}

bool isAscii(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return isPlainAscii(static_cast<unsigned char>(c)); });
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isPlainAscii(c.unicode()); });
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArray encodingName(QByteArrayView encoding)
{
    return encoding.isEmpty() ? QByteArray("UTF-8") : encoding.toByteArray();
}

// An unknown encoding name falls back to UTF-8, the system code page of a Linux desktop. Names
// are decoded whole, so a leading U+FEFF is part of the name, not a byte order mark to drop.
QStringDecoder makeDecoder(QByteArrayView encoding)
{
    constexpr QStringDecoder::Flags flags = QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder decoder(encodingName(encoding).constData(), flags);
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringDecoder::Utf8, flags);
}

QStringEncoder makeEncoder(QByteArrayView encoding)
{
    QStringEncoder encoder(encodingName(encoding).constData());
    return encoder.isValid() ? std::move(encoder) : QStringEncoder(QStringEncoder::Utf8);
}

// Decodes stored names on demand: nearly all are plain ASCII and never need it.
class NameDecoder final
{
public:
    explicit NameDecoder(QByteArrayView encoding) : encoding_(encoding) {}

    QString operator()(QByteArrayView bytes)
    {
        if (!decoder_)
            decoder_.emplace(makeDecoder(encoding_));
        decoder_->resetState();
        return decoder_->decode(bytes);
    }

private:
    QByteArrayView encoding_;
    std::optional<QStringDecoder> decoder_;
};

class WantedName final
{
public:
    explicit WantedName(QStringView name) : name_(name.trimmed()), ascii_(isAscii(name_)) {}

    bool isEmpty() const { return name_.isEmpty(); }

    bool matches(QStringView stored) const
    {
        return stored.trimmed().compare(name_, Qt::CaseInsensitive) == 0;
    }

    bool matches(QByteArrayView stored, NameDecoder &decode) const
    {
        if (!ascii_ || !isAscii(stored))
            return matches(decode(stored));
        if (stored.size() != name_.size())
            return false;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            if (asciiLower(stored[i]) != asciiLower(char(name_[i].unicode())))
                return false;
        }
        return true;
    }

private:
    QStringView name_;
    bool ascii_;
};

// Whether a line starting with "[" is a section header, and whether it names the wanted one.
// A line with high bytes is decoded first: the second byte of a GBK, Big5 or Shift_JIS
// character may be "]".
std::optional<bool> headerMatches(QByteArrayView afterBracket, const WantedName &wanted, NameDecoder &decode)
{
    if (isAscii(afterBracket)) {
        const qsizetype close = afterBracket.lastIndexOf(']');
        if (close < 0)
            return std::nullopt;
        return wanted.matches(trimmed(afterBracket.first(close)), decode);
    }
    const QString text = decode(afterBracket);
    const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return wanted.matches(QStringView(text).first(close));
}

struct IdentHit
{
    qsizetype afterEquals = 0;
    qsizetype valueBegin = 0; // first non-blank byte after "=", or the content end
    qsizetype valueEnd = 0;   // after the last non-blank byte of the value
    qsizetype contentEnd = 0; // before the line end
};

struct Scan
{
    bool sectionFound = false;
    qsizetype lastUsedLineEnd = 0; // after the last line of the section that is neither blank nor a comment
    std::optional<IdentHit> ident;
};

Scan scan(QByteArrayView file, const WantedName &section, const WantedName &ident, NameDecoder &decode)
{
    Scan result;
    bool inSection = false;
    TextLines::Reader lines(file);
    TextLines::Line line;
    while (lines.next(line)) {
        if (line.isBlank())
            continue;
        const char first = file[line.textBegin];
        if (first == '[') {
            const QByteArrayView afterBracket = file.sliced(line.textBegin + 1, line.contentEnd - line.textBegin - 1);
            if (const std::optional<bool> matches = headerMatches(afterBracket, section, decode)) {
                if (inSection)
                    return result; // only the first section of a name counts
                inSection = *matches;
                if (inSection) {
                    result.sectionFound = true;
                    result.lastUsedLineEnd = line.end;
                }
                continue;
            }
        }
        if (!inSection || first == ';')
            continue;
        result.lastUsedLineEnd = line.end;
        const QByteArrayView text = file.sliced(line.textBegin, line.contentEnd - line.textBegin);
        const qsizetype equals = text.indexOf('=');
        if (equals < 0 || !ident.matches(trimmed(text.first(equals)), decode))
            continue;
        IdentHit hit;
        hit.afterEquals = line.textBegin + equals + 1;
        hit.contentEnd = line.contentEnd;
        hit.valueBegin = hit.afterEquals;
        while (hit.valueBegin < line.contentEnd && TextLines::isBlank(file[hit.valueBegin]))
            ++hit.valueBegin;
        hit.valueEnd = line.contentEnd;
        while (hit.valueEnd > hit.valueBegin && TextLines::isBlank(file[hit.valueEnd - 1]))
            --hit.valueEnd;
        result.ident = hit;
        return result;
    }
    return result;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

bool hasLineBreakOrNul(QStringView name)
{
    return name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(u'\0'));
}

// The name in the file's encoding, or nullopt when it would not read back as itself.
std::optional<QByteArray> encodeName(QStringView name, QByteArrayView encoding)
{
    QStringEncoder encoder = makeEncoder(encoding);
    QByteArray bytes = encoder.encode(name);
    QStringDecoder decoder = makeDecoder(encoding);
    const QString back = decoder.decode(bytes);
    if (encoder.hasError() || decoder.hasError() || back != name)
        return std::nullopt;
    return bytes;
}

QByteArrayView firstLineOf(QByteArrayView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n' || value[i] == '\0')
            return value.first(i);
    }
    return value;
}

} // namespace

namespace ProfileText {

std::optional<QByteArray> read(QByteArrayView file, QStringView section, QStringView ident, QByteArrayView encoding)
{
    const WantedName wantedIdent(ident);
    if (wantedIdent.isEmpty())
        return std::nullopt;
    NameDecoder decode(encoding);
    const Scan found = scan(file, WantedName(section), wantedIdent, decode);
    if (!found.ident)
        return std::nullopt;
    return unquoted(file.sliced(found.ident->valueBegin, found.ident->valueEnd - found.ident->valueBegin)).toByteArray();
}

std::optional<QByteArray> write(QByteArrayView file, QStringView section, QStringView ident, QByteArrayView value,
                                QByteArrayView encoding)
{
    const QStringView sectionName = section.trimmed();
    const QStringView identName = ident.trimmed();
    // An ident must read back as an ident of this section: not empty, no "=" that would end it
    // early, and not starting like a section header or a comment.
    if (identName.isEmpty() || identName.contains(QLatin1Char('=')) || identName.startsWith(QLatin1Char('['))
        || identName.startsWith(QLatin1Char(';')) || hasLineBreakOrNul(identName) || hasLineBreakOrNul(sectionName))
        return std::nullopt;
    const std::optional<QByteArray> identBytes = encodeName(identName, encoding);
    const std::optional<QByteArray> sectionBytes = encodeName(sectionName, encoding);
    if (!identBytes || !sectionBytes)
        return std::nullopt;

    const QByteArrayView stored = firstLineOf(value);
    NameDecoder decode(encoding);
    const Scan found = scan(file, WantedName(sectionName), WantedName(identName), decode);
    // CR LF for a new file: the files are shared with Windows users and their editors.
    const QByteArrayView lineEnd = TextLines::lineEndOf(file, "\r\n");

    QByteArray result;
    result.reserve(file.size() + identBytes->size() + sectionBytes->size() + stored.size() + 8);
    if (found.ident) {
        // The text up to the value stays as it was written ("Split = 200" keeps its blanks),
        // unless the value brings blanks of its own: writing a value that is stored then
        // gives the same bytes, however often it is written.
        const bool valueHasLeadingBlank = !stored.isEmpty() && TextLines::isBlank(stored.front());
        const qsizetype keep = valueHasLeadingBlank ? found.ident->afterEquals : found.ident->valueBegin;
        result.append(file.first(keep)).append(stored).append(file.sliced(found.ident->contentEnd));
        return result;
    }
    if (found.sectionFound) {
        const qsizetype at = found.lastUsedLineEnd;
        result.append(file.first(at));
        if (at > 0 && file[at - 1] != '\n')
            result.append(lineEnd);
        result.append(*identBytes).append('=').append(stored).append(lineEnd).append(file.sliced(at));
        return result;
    }
    result.append(file);
    if (!file.isEmpty() && !file.endsWith('\n'))
        result.append(lineEnd);
    result.append('[').append(*sectionBytes).append(']').append(lineEnd);
    result.append(*identBytes).append('=').append(stored).append(lineEnd);
    return result;
}

} // namespace ProfileText
