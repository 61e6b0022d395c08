// The registry store's reader and writer on arbitrary files, key paths, names and values: no
// crash, no hang, and every write reads back (also under names of another letter case), leaves
// every other value as it was and is stable when repeated; several changes made in one pass
// give what they give one after the other. The index of a whole file answers as
// the reader does, before a write and after it, also when it takes the write itself.

#include "platform/RegistryText.h"
#include "platform/TextLines.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

namespace {

QString take(FuzzedDataProvider &input, size_t longest)
{
    const std::string bytes = input.ConsumeRandomLengthString(longest);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

bool sameValue(const std::optional<RegistryText::StoredValue> &a, const std::optional<RegistryText::StoredValue> &b)
{
    if (!a || !b)
        return a.has_value() == b.has_value();
    return a->type == b->type && a->text == b->text && a->number == b->number;
}

// Key and value names compare without regard to case; swapping the case of ASCII letters must
// name the same place.
QString swappedCase(const QString &text)
{
    QString swapped = text;
    for (QChar &c : swapped) {
        if (c.unicode() < 0x80)
            c = c.isUpper() ? c.toLower() : c.toUpper();
    }
    return swapped;
}

QStringList swappedCase(const QStringList &parts)
{
    QStringList swapped;
    for (const QString &part : parts)
        swapped << swappedCase(part);
    return swapped;
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
    const std::optional<QStringList> key = RegistryText::splitKeyPath(take(input, 40));
    const QString name = take(input, 16);
    const std::optional<QStringList> otherKey =
        input.ConsumeBool() ? key : RegistryText::splitKeyPath(take(input, 40));
    const QString otherName = take(input, 16);
    RegistryText::Data value = qint32(0);
    if (input.ConsumeBool())
        value = input.ConsumeIntegral<qint32>();
    else
        value = take(input, 48);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray file(rest.data(), qsizetype(rest.size()));
    if (!key || !otherKey)
        return 0;

    const std::optional<RegistryText::StoredValue> other = RegistryText::value(file, *otherKey, otherName);
    RegistryText::Index index(file);
    check(sameValue(index.value(*otherKey, otherName), other));
    check(index.keyExists(*otherKey) == RegistryText::keyExists(file, *otherKey));
    const std::optional<QByteArray> written = RegistryText::withValue(file, *key, name, value);
    if (!written)
        return 0;

    const std::optional<RegistryText::StoredValue> back = RegistryText::value(*written, *key, name);
    check(back.has_value());
    if (const qint32 *number = std::get_if<qint32>(&value)) {
        check(back->type == RegistryText::StoredValue::Type::Integer && back->number == *number);
    } else {
        QString text = std::get<QString>(value);
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        check(back->type == RegistryText::StoredValue::Type::String && back->text == text);
    }
    check(RegistryText::keyExists(*written, *key));
    check(sameValue(RegistryText::value(*written, swappedCase(*key), swappedCase(name)), back));
    // Any other place keeps what it held, unless it is the place just written.
    const std::optional<RegistryText::StoredValue> otherAfter = RegistryText::value(*written, *otherKey, otherName);
    check(sameValue(otherAfter, other) || sameValue(otherAfter, back));
    check(RegistryText::withValue(*written, *key, name, value) == written);

    // Several changes in one pass come to what they give one after the other.
    const std::vector<RegistryText::Change> both{{*key, name, value}, {*otherKey, otherName, qint32(7)}};
    const std::optional<QByteArray> together = RegistryText::withValues(file, both);
    const std::optional<QByteArray> inTurn = RegistryText::withValue(*written, *otherKey, otherName, qint32(7));
    // (Unless the first change gave a file without line ends its first one: a CR before it then
    // makes the second change take CR LF.)
    check(together == inTurn || TextLines::lineEndOf(file, "\n") != TextLines::lineEndOf(*written, "\n"));

    index.set(*key, name, value);
    const RegistryText::Index reread(*written);
    for (const RegistryText::Index *after : {static_cast<const RegistryText::Index *>(&index), &reread}) {
        check(after->holds(*key, name, value));
        check(sameValue(after->value(*key, name), back));
        check(sameValue(after->value(*otherKey, otherName), otherAfter));
        check(after->keyExists(*key));
        check(after->keyExists(*otherKey) == RegistryText::keyExists(*written, *otherKey));
    }
    return 0;
}
