#pragma once
// The profile-file (INI) rules on the bytes of a file, with no file access: finding a value and
// producing the file with one value set. The settings and language files depend on these rules:
//  - "[name]" opens a section (the last "]" of the line closes the name); "ident=value" holds a
//    value (the first "=" splits); a line starting with ";" is a comment; other lines are kept
//    but mean nothing.
//  - Section and ident names match case-insensitively; blanks around names and values do not
//    count; a value enclosed in one pair of double quotes reads without them.
//  - The first section of a name and its first ident of a name are the ones read and written.
// Names are compared as text in the file's encoding (an ICU name such as "GBK"; empty means
// UTF-8), so a double-byte character whose second byte looks like an ASCII letter or "]" is
// never taken for one.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

namespace ProfileText {

// The stored value's bytes, blanks and one pair of enclosing quotes removed; nullopt when the
// section or the ident is absent. An ident with nothing after "=" gives an empty value.
std::optional<QByteArray> read(QByteArrayView file, QStringView section, QStringView ident,
                               QByteArrayView encoding = {});

// The file with `ident` of `section` set to `value`: an existing ident is replaced in place
// (the text up to its value is kept), a new ident goes after the last value of its section, a
// new section at the end of the file. New lines take the file's first line end (CR LF for a
// file that has none). The value is cut at its first line break or NUL, which would otherwise
// spill into lines of their own. nullopt when the names cannot be stored so that they read back
// (empty ident, "=" in an ident, line breaks, characters the encoding cannot hold).
std::optional<QByteArray> write(QByteArrayView file, QStringView section, QStringView ident,
                                QByteArrayView value, QByteArrayView encoding = {});

} // namespace ProfileText
