#pragma once
// Text that came from a page, made safe to print: a page may hold escape sequences that a
// terminal would obey (retitle the window, clear the screen). Control bytes are shown as \xHH;
// the result files keep the bytes as they came.

#include <QByteArray>

enum class PrintTarget { Pipe, Terminal };

// Escapes C0 controls (0x00-0x1F) and DEL always; for a terminal also the C1 controls, both as
// UTF-8 (U+0080-U+009F) and as stray bytes 0x80-0x9F outside a valid UTF-8 sequence. Other UTF-8
// passes unchanged, so non-ASCII addresses and sources stay readable.
QByteArray printable(const QByteArray &bytes, PrintTarget target);

// The length of the valid UTF-8 sequence starting at `at`, its code point in `codePoint`; 0 when
// none starts there. Overlong forms and surrogates count as invalid, so they cannot smuggle a
// control past a check.
qsizetype utf8Length(const QByteArray &bytes, qsizetype at, char32_t *codePoint);
