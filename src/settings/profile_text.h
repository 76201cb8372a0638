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

// Writes the field's spelling (UTF-8, with the escapes above) at dest and returns its end: at
// most four bytes for each UTF-16 unit (UTF-8 three, an escape four). appendField appends it.
char *writeField(char *dest, QStringView text, Field field);
void appendField(QByteArray &out, QStringView text, Field field);

// Decodes one field's raw bytes (already trimmed and, for a value, stripped of quotes) and
// resolves its "\xHH" escapes. utf8 says how the field's line is read: UTF-8 when the whole
// line is valid UTF-8, Windows-1252 otherwise, so every byte sequence decodes to something.
QString decodeField(QByteArrayView raw, bool utf8);

// Printable ASCII without backslash: decodes to itself, whatever the line's encoding.
bool isPlain(QByteArrayView bytes);

// Blanks trimmed from names and values (plain_name::Blank: blank, tab and CR).
inline bool isBlank(char c) {
    return plain_name::is(c, plain_name::Blank);
}

QByteArrayView trimmed(QByteArrayView bytes);

// A value wrapped in a pair of equal quotes is read without them, as the platform does.
QByteArrayView stripQuotes(QByteArrayView value);

} // namespace tarvolin::profile_text
