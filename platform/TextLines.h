#pragma once
// Line-by-line walk over the bytes of a settings file, shared by the INI and registry-store
// formats. Lines end in LF or CR LF; the bytes of every line stay where they are, so an edit
// can copy everything around the lines it changes unaltered.

#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace TextLines {

// Blanks around names and values. A CR that is not part of a CR LF line end (a last line
// ending in CR) counts as one.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The line end new lines take: the file's first one, or `fallback` for a file without any.
inline QByteArrayView lineEndOf(QByteArrayView file, QByteArrayView fallback)
{
    const qsizetype newline = file.indexOf('\n');
    if (newline < 0)
        return fallback;
    return (newline > 0 && file[newline - 1] == '\r') ? QByteArrayView("\r\n") : QByteArrayView("\n");
}

struct Line
{
    qsizetype begin = 0;      // first byte of the line
    qsizetype textBegin = 0;  // first non-blank byte (after a byte order mark on the first line)
    qsizetype contentEnd = 0; // before the line end
    qsizetype end = 0;        // after the line end

    bool isBlank() const { return textBegin == contentEnd; }
};

class Reader final
{
public:
    explicit Reader(QByteArrayView file) : file_(file) {}

    bool next(Line &line)
    {
        const qsizetype size = file_.size();
        if (pos_ >= size)
            return false;
        line.begin = pos_;
        const void *newline = std::memchr(file_.data() + pos_, '\n', size_t(size - pos_));
        if (newline != nullptr) {
            line.end = static_cast<const char *>(newline) - file_.data() + 1;
            line.contentEnd = line.end - 1;
            if (line.contentEnd > line.begin && file_[line.contentEnd - 1] == '\r')
                --line.contentEnd;
        } else {
            line.end = line.contentEnd = size;
        }
        qsizetype text = line.begin;
        // A UTF-8 byte order mark, as editors put it, must not hide the first line's meaning.
        if (text == 0 && file_.startsWith("\xEF\xBB\xBF"))
            text = 3;
        while (text < line.contentEnd && TextLines::isBlank(file_[text]))
            ++text;
        line.textBegin = std::min(text, line.contentEnd);
        pos_ = line.end;
        return true;
    }

private:
    QByteArrayView file_;
    qsizetype pos_ = 0;
};

} // namespace TextLines
