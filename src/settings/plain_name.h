#pragma once

#include <QtGlobal>

#include <array>

namespace tarvolin::plain_name {

// What one byte (or ASCII character) means to a name written as its own bytes. Every reader and
// writer of plain names asks this table: the escaping rules, the lists' fast scan and the
// lookups by bytes.
enum ByteClass : quint8 {
    Control = 1,       // below 32 and 127: always escaped
    NotAscii = 2,      // 128 and up: its text depends on the line's encoding
    Backslash = 4,     // may start an escape
    Equals = 8,        // ends an entry name
    CloseBracket = 16, // ends a section name
    Blank = 32,        // trimmed at either end of a field; CR so that "\r\n" files read as "\n"
    LineMark = 64,     // "[", ";" or "#" starting a line: a header or a comment, never an entry
    Quote = 128,       // a pair of equal quotes around a value is stripped
};

inline constexpr std::array<quint8, 256> kByteClass = [] {
    std::array<quint8, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        quint8 k = c < 0x20 || c == 0x7F ? Control : c >= 0x80 ? NotAscii : 0;
        k |= c == '\\' ? Backslash : c == '=' ? Equals : c == ']' ? CloseBracket : 0;
        k |= c == ' ' || c == '\t' || c == '\r' ? Blank
             : c == '[' || c == ';' || c == '#' ? LineMark
                                                : 0;
        k |= c == '"' || c == '\'' ? Quote : 0;
        classes[size_t(c)] = k;
    }
    return classes;
}();

// Bytes after which a name's bytes are no longer its text: decoding is needed.
inline constexpr quint8 kNotPlain = Control | NotAscii | Backslash;

inline bool is(char16_t c, quint8 classes) {
    return (kByteClass[c < 0x80 ? c : 0x80] & classes) != 0;
}
inline bool is(char c, quint8 classes) {
    return (kByteClass[static_cast<unsigned char>(c)] & classes) != 0;
}

} // namespace tarvolin::plain_name
