#include "platform/RegistryText.h"

#include "platform/ByteText.h"

#include "platform/TextLines.h"

#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace {

using TextLines::trimmed;

constexpr QLatin1StringView rootName("HKEY_CURRENT_USER");

// A leading U+FEFF is part of a name or value, not a byte order mark to drop.
QString utf8(QByteArrayView bytes)
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(bytes);
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isControl);
}

bool sameKey(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

bool isAtOrBelow(const QStringList &key, const QStringList &wanted)
{
    return key.size() >= wanted.size() && sameKey(key.first(wanted.size()), wanted);
}

// A quoted string from `pos` (on its opening quote); `end` is set after the closing quote.
std::optional<QByteArray> unquote(QByteArrayView text, qsizetype pos, qsizetype &end)
{
    QByteArray out;
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            end = i + 1;
            return out;
        }
        // Only \\ and \" are escapes; any other backslash stands for itself, as regedit reads it.
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
            ++i;
        out.append(text[i]);
    }
    return std::nullopt;
}

QByteArray quote(QStringView text)
{
    QByteArray out("\"");
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            out.append('\\');
        out.append(c);
    }
    return out.append('"');
}


std::optional<qint32> parseDword(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    quint32 number = 0;
    for (const char c : digits) {
        const int digit = ByteText::hexValue(c);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | quint32(digit);
    }
    return qint32(number);
}

// "hex(1):41,00" and the like; `data` has its continuation backslashes and line breaks removed.
bool looksLikeHexBytes(QByteArrayView line)
{
    if (line.isEmpty())
        return false;
    return std::all_of(line.begin(), line.end(), [](char c) {
        return ByteText::hexValue(c) >= 0 || c == ',' || c == '\\' || TextLines::isBlank(c);
    });
}

std::optional<QByteArray> parseHexBytes(QByteArrayView data)
{
    QByteArray bytes;
    for (QByteArrayView rest = data; !rest.isEmpty();) {
        qsizetype comma = rest.indexOf(',');
        const QByteArrayView item = trimmed(comma < 0 ? rest : rest.first(comma));
        if (item.size() != 2 || ByteText::hexValue(item[0]) < 0 || ByteText::hexValue(item[1]) < 0)
            return std::nullopt;
        bytes.append(char(ByteText::hexValue(item[0]) << 4 | ByteText::hexValue(item[1])));
        rest = comma < 0 ? QByteArrayView() : rest.sliced(comma + 1);
    }
    return bytes;
}

QByteArray hexString(QStringView text)
{
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    QByteArray out("hex(1):");
    out.append(bytes.toHex(','));
    return out;
}

RegistryText::StoredValue parseData(QByteArrayView data)
{
    using RegistryText::StoredValue;
    StoredValue value;
    if (data.startsWith('"')) {
        qsizetype end = 0;
        const std::optional<QByteArray> text = unquote(data, 0, end);
        if (text && trimmed(data.sliced(end)).isEmpty()) {
            value.type = StoredValue::Type::String;
            value.text = utf8(*text);
        }
        return value;
    }
    const QByteArray lower = data.toByteArray().toLower();
    if (lower.startsWith("dword:")) {
        if (const std::optional<qint32> number = parseDword(trimmed(data.sliced(6)))) {
            value.type = StoredValue::Type::Integer;
            value.number = *number;
        }
        return value;
    }
    // A string stored as bytes: REG_SZ (1) or REG_EXPAND_SZ (2); it ends at its first NUL.
    if (lower.startsWith("hex(1):") || lower.startsWith("hex(2):")) {
        if (std::optional<QByteArray> bytes = parseHexBytes(data.sliced(7))) {
            const qsizetype nul = bytes->indexOf('\0');
            if (nul >= 0)
                bytes->truncate(nul);
            value.type = StoredValue::Type::String;
            value.text = utf8(*bytes);
        }
    }
    return value;
}

struct Entry
{
    enum class Kind { Header, Value, Other };
    Kind kind = Kind::Other;
    qsizetype begin = 0;
    qsizetype dataBegin = 0;  // Value: after "=" and the blanks that follow it
    qsizetype contentEnd = 0; // of its last line
    qsizetype end = 0;        // after its last line end
    bool ours = false;        // Header: a key of HKEY_CURRENT_USER (not another root, not a deletion)
    QStringList key;          // Header: names below the root; Value: of the block it stands in
    QString name;             // Value
    RegistryText::StoredValue value;
};

std::optional<Entry> parseHeader(QByteArrayView text)
{
    const qsizetype close = text.lastIndexOf(']');
    if (close < 1)
        return std::nullopt;
    Entry entry;
    entry.kind = Entry::Kind::Header;
    const QString inner = utf8(text.sliced(1, close - 1));
    if (inner.startsWith(QLatin1Char('-')))
        return entry; // "[-key]" deletes a key when imported: no values live under it
    QStringList names = inner.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (names.isEmpty() || names.front().compare(rootName, Qt::CaseInsensitive) != 0)
        return entry;
    names.removeFirst();
    entry.ours = true;
    entry.key = std::move(names);
    return entry;
}

// A value line: "name"=data or @=data. `data` may go on over continuation lines (hex data
// ending in "\"), which `lines` then yields into the entry.
std::optional<Entry> parseValue(QByteArrayView file, const TextLines::Line &first, TextLines::Reader &lines)
{
    const QByteArrayView text = file.sliced(first.textBegin, first.contentEnd - first.textBegin);
    Entry entry;
    qsizetype pos = 0;
    if (text.startsWith('@')) {
        pos = 1;
    } else if (text.startsWith('"')) {
        const std::optional<QByteArray> name = unquote(text, 0, pos);
        if (!name)
            return std::nullopt;
        entry.name = utf8(*name);
    } else {
        return std::nullopt;
    }
    const QByteArrayView afterName = trimmed(text.sliced(pos));
    if (!afterName.startsWith('=') || trimmed(afterName.sliced(1)) == "-")
        return std::nullopt; // "name"=- deletes a value when imported
    entry.kind = Entry::Kind::Value;
    const QByteArrayView firstData = trimmed(afterName.sliced(1));
    entry.dataBegin = first.textBegin + (firstData.data() - text.data());
    entry.contentEnd = first.contentEnd;
    entry.end = first.end;

    QByteArray data = firstData.toByteArray();
    if (data.toLower().startsWith("hex")) {
        // Only lines that look like more hex bytes continue a value: a key or value line after
        // a stray backslash stays a line of its own, and no write of this value can swallow it.
        TextLines::Reader ahead = lines;
        TextLines::Line more;
        while (data.endsWith('\\') && ahead.next(more)) {
            const QByteArrayView next = file.sliced(more.textBegin, more.contentEnd - more.textBegin);
            if (!looksLikeHexBytes(next))
                break;
            lines = ahead;
            data.chop(1);
            data.append(next);
            entry.contentEnd = more.contentEnd;
            entry.end = more.end;
        }
    }
    entry.value = parseData(data);
    return entry;
}

// Whose values a parse reads: nobody's, one key's, or every key's.
struct ValuesOf
{
    const std::vector<QStringList> *keys = nullptr;
    bool everyKey = false;
    bool wants(const QStringList &blockKey) const
    {
        return everyKey || (keys != nullptr && std::any_of(keys->begin(), keys->end(), [&](const QStringList &key) {
                                return sameKey(blockKey, key);
                            }));
    }
};

// The last name of a key, lower case, when it is plain ASCII: a header whose bytes do not end in
// it cannot name the key, which spares decoding the headers of every other key.
std::optional<QByteArray> asciiLastName(const QStringList &key)
{
    if (key.isEmpty())
        return std::nullopt;
    const QString &last = key.last();
    if (std::any_of(last.begin(), last.end(), [](QChar c) { return c.unicode() >= 0x80; }))
        return std::nullopt;
    return last.toLatin1().toLower();
}

// False only when the header line cannot name a key ending in `lastName`. Bytes outside ASCII
// may fold to ASCII letters, so a header holding one is never ruled out here.
bool mayNameKey(QByteArrayView header, QByteArrayView lastName)
{
    QByteArrayView inner = header.sliced(1, std::max<qsizetype>(header.lastIndexOf(']'), 1) - 1);
    if (std::any_of(inner.begin(), inner.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return true;
    while (inner.endsWith('\\'))
        inner.chop(1);
    if (inner.size() < lastName.size() || inner.last(lastName.size()).compare(lastName, Qt::CaseInsensitive) != 0)
        return false;
    return inner.size() == lastName.size() || inner[inner.size() - lastName.size() - 1] == '\\';
}

// The file's headers, and the other entries of the blocks whose values are wanted. Of the other
// headers, only one that ends a wanted block is needed, and it need not be decoded.
std::vector<Entry> parse(QByteArrayView file, ValuesOf valuesOf)
{
    // The headers that may name a wanted key: all, unless every wanted key ends in an ASCII name.
    std::optional<std::vector<QByteArray>> lastNames;
    if (valuesOf.keys != nullptr && !valuesOf.everyKey) {
        lastNames.emplace();
        for (const QStringList &key : *valuesOf.keys) {
            const std::optional<QByteArray> last = asciiLastName(key);
            if (!last) {
                lastNames.reset();
                break;
            }
            lastNames->push_back(*last);
        }
    }
    std::vector<Entry> entries;
    TextLines::Reader lines(file);
    TextLines::Line line;
    bool blockIsWanted = false;
    QStringList blockKey;
    while (lines.next(line)) {
        if (line.isBlank() || file[line.textBegin] == ';')
            continue;
        const QByteArrayView text = file.sliced(line.textBegin, line.contentEnd - line.textBegin);
        const bool header = text.startsWith('[') && text.lastIndexOf(']') >= 1;
        if (!header && !blockIsWanted)
            continue;
        const auto mayBeWanted = [&] {
            return std::any_of(lastNames->begin(), lastNames->end(),
                               [&](const QByteArray &last) { return mayNameKey(text, last); });
        };
        std::optional<Entry> entry;
        if (header && lastNames && !mayBeWanted()) {
            if (!blockIsWanted)
                continue;
            entry.emplace();
            entry->kind = Entry::Kind::Header;
            blockIsWanted = false;
        } else if (header) {
            entry = parseHeader(text);
            blockKey = entry->key;
            blockIsWanted = entry->ours && valuesOf.wants(blockKey);
        } else {
            entry = parseValue(file, line, lines);
            if (entry)
                entry->key = blockKey;
        }
        if (!entry)
            entry.emplace(); // kept, meaning nothing
        entry->begin = line.begin;
        if (entry->kind != Entry::Kind::Value) {
            entry->contentEnd = line.contentEnd;
            entry->end = line.end;
        }
        entries.push_back(std::move(*entry));
    }
    return entries;
}

const Entry *lastValue(const std::vector<Entry> &entries, const QStringList &key, QStringView name)
{
    const Entry *found = nullptr;
    for (const Entry &entry : entries) {
        if (entry.kind == Entry::Kind::Value && entry.name.compare(name, Qt::CaseInsensitive) == 0
            && sameKey(entry.key, key))
            found = &entry;
    }
    return found;
}

// After the last line of the last block of `key`; nullopt when the key has no block of its own.
std::optional<qsizetype> endOfLastBlock(const std::vector<Entry> &entries, const QStringList &key)
{
    std::optional<qsizetype> end;
    bool inKey = false;
    for (const Entry &entry : entries) {
        if (entry.kind == Entry::Kind::Header) {
            inKey = entry.ours && sameKey(entry.key, key);
            if (inKey)
                end = entry.end;
        } else if (inKey) {
            end = entry.end;
        }
    }
    return end;
}

// How Index files keys and names: case folded, as the registry matches them.
QString foldedKey(const QStringList &key)
{
    return key.join(QLatin1Char('\\')).toCaseFolded();
}

// A string ends at its first NUL, as the platform's string values do.
QStringView storedText(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul >= 0 ? text.first(nul) : text;
}

QByteArray dataText(const RegistryText::Data &data)
{
    if (const qint32 *number = std::get_if<qint32>(&data))
        return "dword:" + QByteArray::number(quint32(*number), 16).rightJustified(8, '0');
    const QStringView text = storedText(std::get<QString>(data));
    return hasControl(text) ? hexString(text) : quote(text);
}

QByteArray valueLine(QStringView name, const RegistryText::Data &data)
{
    return (name.isEmpty() ? QByteArray("@") : quote(name)) + '=' + dataText(data);
}

QByteArray headerLine(const QStringList &key)
{
    QByteArray line = "[" + QByteArray(rootName.data(), rootName.size());
    for (const QString &name : key)
        line.append('\\').append(name.toUtf8());
    return line.append(']');
}

} // namespace

namespace RegistryText {

std::optional<QStringList> splitKeyPath(QStringView path)
{
    QStringList names;
    for (const QStringView name : path.tokenize(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (hasControl(name))
            return std::nullopt;
        names.append(name.toString());
    }
    return names;
}

bool keyExists(QByteArrayView file, const QStringList &key)
{
    if (key.isEmpty())
        return true;
    const std::vector<Entry> entries = parse(file, ValuesOf{});
    return std::any_of(entries.begin(), entries.end(), [&](const Entry &entry) {
        return entry.kind == Entry::Kind::Header && entry.ours && isAtOrBelow(entry.key, key);
    });
}

std::optional<StoredValue> value(QByteArrayView file, const QStringList &key, QStringView name)
{
    const std::vector<QStringList> keys{key};
    const std::vector<Entry> entries = parse(file, ValuesOf{&keys});
    const Entry *found = lastValue(entries, key, name);
    if (found == nullptr)
        return std::nullopt;
    return found->value;
}

std::optional<QByteArray> withValue(QByteArrayView file, const QStringList &key, QStringView name, const Data &data)
{
    return withValues(file, {Change{key, name.toString(), data}});
}

std::optional<QByteArray> withValues(QByteArrayView file, const std::vector<Change> &changes)
{
    const auto badName = [](const QString &n) { return n.isEmpty() || hasControl(n); };
    std::vector<QStringList> keys; // each once, in the order the changes first name them
    for (const Change &change : changes) {
        if (hasControl(change.name) || std::any_of(change.key.begin(), change.key.end(), badName))
            return std::nullopt;
        if (std::none_of(keys.begin(), keys.end(), [&](const QStringList &k) { return sameKey(k, change.key); }))
            keys.push_back(change.key);
    }
    const std::vector<Entry> entries = parse(file, ValuesOf{&keys});
    const QByteArrayView lineEnd = TextLines::lineEndOf(file, "\n");

    // What the changes come to, one after the other: a value given twice ends with its last
    // data; a stored one is replaced where it stands, keeping the stored spelling of its name;
    // a new one keeps the spelling it was first given.
    struct Placed
    {
        QStringList key;
        QString name;
        Data data;
        const Entry *stored = nullptr;
    };
    std::vector<Placed> placed;
    for (const Change &change : changes) {
        const auto same = std::find_if(placed.begin(), placed.end(), [&](const Placed &p) {
            return sameKey(p.key, change.key) && p.name.compare(change.name, Qt::CaseInsensitive) == 0;
        });
        if (same != placed.end())
            same->data = change.data;
        else
            placed.push_back({change.key, change.name, change.data, lastValue(entries, change.key, change.name)});
    }

    // Edits inside the file, by position: replaced data, and new lines after the last line of
    // their key's last block.
    struct Splice
    {
        qsizetype begin;
        qsizetype end;
        QByteArray text;
    };
    std::vector<Splice> splices;
    std::vector<std::pair<QStringList, QByteArray>> newBlocks; // keys without a block, and their lines
    for (const QStringList &key : keys) {
        QByteArray lines;
        for (const Placed &p : placed) {
            if (!sameKey(p.key, key))
                continue;
            if (p.stored != nullptr)
                splices.push_back({p.stored->dataBegin, p.stored->contentEnd, dataText(p.data)});
            else
                lines.append(valueLine(p.name, p.data)).append(lineEnd);
        }
        if (lines.isEmpty())
            continue;
        if (const std::optional<qsizetype> at = endOfLastBlock(entries, key)) {
            if (*at > 0 && file[*at - 1] != '\n')
                lines.prepend(lineEnd.toByteArray());
            splices.push_back({*at, *at, lines});
        } else {
            newBlocks.emplace_back(key, lines);
        }
    }
    std::stable_sort(splices.begin(), splices.end(), [](const Splice &a, const Splice &b) { return a.begin < b.begin; });

    QByteArray result;
    result.reserve(file.size() + 64 * qsizetype(changes.size()));
    qsizetype copied = 0;
    for (const Splice &splice : splices) {
        result.append(file.sliced(copied, splice.begin - copied)).append(splice.text);
        copied = splice.end;
    }
    result.append(file.sliced(copied));
    for (const auto &[key, lines] : newBlocks) {
        if (result.isEmpty())
            result.append("REGEDIT4").append(lineEnd);
        else if (!result.endsWith('\n'))
            result.append(lineEnd);
        // Keys are set apart by a blank line, as regedit writes them.
        if (!result.endsWith("\n\n") && !result.endsWith("\n\r\n"))
            result.append(lineEnd);
        result.append(headerLine(key)).append(lineEnd).append(lines);
    }
    return result;
}

Index::Index(QByteArrayView file)
{
    for (const Entry &entry : parse(file, ValuesOf{nullptr, true})) {
        if (entry.kind == Entry::Kind::Header && entry.ours) {
            for (qsizetype depth = 1; depth <= entry.key.size(); ++depth)
                keys_.insert(foldedKey(entry.key.first(depth)));
        } else if (entry.kind == Entry::Kind::Value) {
            values_[foldedKey(entry.key)][entry.name.toCaseFolded()] = entry.value; // the last counts
        }
    }
}

bool Index::keyExists(const QStringList &key) const
{
    return key.isEmpty() || keys_.contains(foldedKey(key));
}

std::optional<StoredValue> Index::value(const QStringList &key, QStringView name) const
{
    const auto values = values_.find(foldedKey(key));
    if (values == values_.end())
        return std::nullopt;
    const auto found = values->second.find(name.toString().toCaseFolded());
    if (found == values->second.end())
        return std::nullopt;
    return found->second;
}

void Index::set(const QStringList &key, QStringView name, const Data &data)
{
    for (qsizetype depth = 1; depth <= key.size(); ++depth)
        keys_.insert(foldedKey(key.first(depth)));
    StoredValue stored;
    if (const qint32 *number = std::get_if<qint32>(&data)) {
        stored.type = StoredValue::Type::Integer;
        stored.number = *number;
    } else {
        stored.type = StoredValue::Type::String;
        stored.text = storedText(std::get<QString>(data)).toString();
    }
    values_[foldedKey(key)][name.toString().toCaseFolded()] = std::move(stored);
}

bool Index::holds(const QStringList &key, QStringView name, const Data &data) const
{
    const std::optional<StoredValue> stored = value(key, name);
    if (!stored)
        return false;
    if (const qint32 *number = std::get_if<qint32>(&data))
        return stored->type == StoredValue::Type::Integer && stored->number == *number;
    return stored->type == StoredValue::Type::String && stored->text == storedText(std::get<QString>(data));
}

} // namespace RegistryText
