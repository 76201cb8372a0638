#pragma once

#include <QString>

namespace tarvolin {

// Percent decoding for display. Each "%" and the (up to) two characters after it give one
// byte, those characters read as a hexadecimal number, reading stopping at the first non-digit
// (0 when none is read; "% F" gives 0). Only the ASCII digits 0-9, A-F, a-f are hexadecimal
// digits. The three characters of an escape are consumed whatever they are, so the escape
// "%%41" gives byte 0 and then "1". Every other character, "+" included, is copied unchanged.
//
// A run of escapes next to each other is read as UTF-8 where it is UTF-8, since URLs write
// non-ASCII text that way: each complete, valid sequence ("%C3%A9") gives the character it
// encodes ("é"). Every other byte (a lone "%E9", a sequence cut short or broken by a plain
// character, an overlong form) gives one character of Windows-1252, as older 8-bit URLs mean
// it (the five unassigned codes give the C1 control with the same number).
//
// Bad input never fails: a cut-off escape at the end reads what is there ("100%" ends with
// NUL, which is kept). A character is a Unicode character, not a UTF-16 unit: a well-formed
// surrogate pair is copied whole, and after a "%" it counts as one of the two characters (a
// non-digit). A lone surrogate counts as one character. So the result never splits a pair.
// sHexDecoded is replaced by the result; sDecodeMe and sHexDecoded may be the same string.
void DecodeHex(const QString &sDecodeMe, QString &sHexDecoded);

} // namespace tarvolin
