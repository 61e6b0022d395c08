#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileSnapshot.h"
#include "platform/ProfileText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <map>
#include <mutex>

namespace {

QByteArray encodingName(const QByteArray &encoding)
{
    return encoding.isEmpty() ? QByteArray("UTF-8") : encoding;
}

// The profile API hands back at most maxReadLength bytes of the file's code page, and never the
// lead byte of a double-byte character without its trail. A decoder that is not flushed holds
// an incomplete last character back, which is that cut. A value that starts with U+FEFF keeps
// it: it is text, not a byte order mark.
QString decodeForRead(QByteArrayView stored, const QByteArray &encoding)
{
    constexpr QStringDecoder::Flags flags = QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder decoder(encodingName(encoding).constData(), flags);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8, flags);
    return decoder.decode(stored.first(std::min(stored.size(), ProfileFile::maxReadLength)));
}

QByteArray encode(const QString &text, const QByteArray &encoding)
{
    QStringEncoder encoder(encodingName(encoding).constData());
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder.encode(text);
}

} // namespace

ProfileFile::ProfileFile(QString path, QByteArray encoding) : path_(std::move(path)), encoding_(std::move(encoding)) {}

namespace {

// The files last read: the settings, language and message files are read for every value, and
// the walk over a window reads hundreds.
AtomicFile::ReadResult currentContent(const QString &path)
{
    static std::mutex lock;
    static std::map<QString, FileSnapshot> snapshots;
    constexpr size_t filesKept = 8;
    const std::lock_guard guard(lock);
    if (snapshots.size() >= filesKept && !snapshots.contains(path))
        snapshots.clear();
    return snapshots[path].read(path);
}

} // namespace

std::optional<QString> ProfileFile::value(const QString &section, const QString &ident) const
{
    const AtomicFile::ReadResult file = currentContent(path_);
    if (file.status != AtomicFile::ReadStatus::Ok)
        return std::nullopt;
    const std::optional<QByteArray> stored = ProfileText::read(file.bytes, section, ident, encoding_);
    if (!stored)
        return std::nullopt;
    return decodeForRead(*stored, encoding_);
}

QString ProfileFile::readString(const QString &section, const QString &ident, const QString &defaultValue) const
{
    return value(section, ident).value_or(defaultValue);
}

bool ProfileFile::writeString(const QString &section, const QString &ident, const QString &value) const
{
    const QByteArray bytes = encode(value, encoding_);
    const auto edit = [&](const QByteArray &current) {
        return ProfileText::write(current, section, ident, bytes, encoding_);
    };
    return AtomicFile::update(path_, edit) != AtomicFile::UpdateResult::Failed;
}
