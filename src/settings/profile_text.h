#pragma once

#include "settings/plain_name.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tarvolin::profile_text {

// How one field of a profile line is spelled in the file. Fields are UTF-8; a character that
// would break the line structure is written as "\xHH" (two upper-case hex digits, its code):
//  - anywhere: control characters (codes below 32 and 127), and a backslash that is followed
//    by "x" and two upper-case hex digits (so it is not taken for an escape);
//  - at either end: a blank or a tab (the reader trims them);
//  - Section: "]" anywhere;
//  - Key: "=" anywhere; "[", ";" or "#" as its first character;
//  - Value: the first character when the value starts and ends with the same quote (' or "),
//    which the reader would otherwise strip.
// Everything else, "%" and other backslashes included, is written as it is.
enum class Field { Section, Key, Value };

// The careful spelling: every character checked against the rules above.
QByteArray encodeField(QStringView text, Field field);

// For text that needs no escape in any field (ASCII that no rule above touches, as the table
// of plain_name.h says), writes its bytes to dest, which has room for text.size() bytes, and
// returns true. Returns false for other text, having written no more than text.size() bytes.
// One pass that copies while checking: a parse writes a few short fields per pair.
inline bool copyPlainField(QStringView text, char *dest) {
    using namespace plain_name;
    if (!text.isEmpty() && is(text.front().unicode(), LineMark | Quote))
        return false;
    for (const QChar c : text) {
        if (is(c.unicode(), kNotInPlainField))
            return false;
        *dest++ = char(c.unicode());
    }
    return true;
}

// Decodes one field's raw bytes (already trimmed and, for a value, stripped of quotes) and
// resolves its "\xHH" escapes. utf8 says how the field's line is read: UTF-8 when the whole
// line is valid UTF-8, Windows-1252 otherwise, so every byte sequence decodes to something.
QString decodeField(QByteArrayView raw, bool utf8);

// Printable ASCII without backslash: decodes to itself, whatever the line's encoding.
bool isPlain(QByteArrayView bytes);
bool isPlain(QStringView text);

// Blanks trimmed from names and values; CR counts so that "\r\n" files read like "\n" ones.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView bytes);

// A value wrapped in a pair of equal quotes is read without them, as the platform does.
QByteArrayView stripQuotes(QByteArrayView value);

} // namespace tarvolin::profile_text
