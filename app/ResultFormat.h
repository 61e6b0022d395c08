#pragma once
// The lines a command-line crawl writes for each address found, on standard output and, when a
// format is asked for, in the result file: tsv (address TAB source), csv (RFC 4180: address,
// source, level, time found) or jsonl (one JSON object a line, with the same four fields).

#include "app/PrintableText.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace ResultFormat {

enum class Format { Tsv, Csv, Jsonl };

// "tsv", "csv" or "jsonl", in any case.
std::optional<Format> named(const QString &name);

struct Found
{
    QByteArray address;
    QByteArray source; // the page it was found on, as the crawl reports it
    int level = 0;     // that page's crawl level
    QDateTime when;
};

// One line, without its end. Printed (`target` given), a page's control bytes come escaped as
// PrintableText does; in a file (none) they stay as they came, quoted as the format needs.
// jsonl always escapes them, as JSON must, and takes bytes that are no UTF-8 as Latin-1.
QByteArray line(const Found &found, Format format, std::optional<PrintTarget> target);

// The address a line of `format` holds, as line() wrote it to a file; empty when none.
QByteArray addressOf(const QByteArray &line, Format format);

} // namespace ResultFormat
