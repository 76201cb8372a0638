#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

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

QByteArray encodeField(QStringView text, Field field);
// Characters every field holds as their own byte: printable ASCII but the blank and those some
// rule above escapes wherever they stand.
inline constexpr auto kPlainInField = [] {
    std::array<bool, 128> plain{};
    for (char c = 0x21; c < 0x7F; ++c)
        plain[size_t(c)] = c != '\\' && c != '=' && c != ']';
    return plain;
}();

// For text that needs no escape in any field (printable ASCII that no rule above touches),
// writes its bytes to dest, which has room for text.size() bytes, and returns true. Returns
// false for other text, having written no more than text.size() bytes. Inline, and one pass
// that copies while checking: a parse writes a few short fields per pair.
inline bool copyPlainField(QStringView text, char *dest) {
    if (!text.isEmpty()) {
        const char16_t first = text.front().unicode();
        if (first == u'[' || first == u';' || first == u'#' || first == u'"' || first == u'\'')
            return false;
    }
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        plain &= u < 0x80 && kPlainInField[u & 0x7F];
        *dest++ = char(u);
    }
    return plain;
}

// Decodes one field's raw bytes (already trimmed and, for a value, stripped of quotes) and
// resolves its "\xHH" escapes. utf8 says how the field's line is read: UTF-8 when the whole
// line is valid UTF-8, Windows-1252 otherwise, so every byte sequence decodes to something.
QString decodeField(QByteArrayView raw, bool utf8);

// Whether a line's bytes are valid UTF-8 (plain ASCII is).
bool isUtf8(QByteArrayView line);
bool isAscii(QByteArrayView bytes);
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
