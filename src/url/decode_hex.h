#pragma once

#include <QString>

namespace tarvolin {

// Percent decoding for display. Each "%" and the (up to) two characters after it become one
// character whose code is those characters read as a hexadecimal number, reading stopping at
// the first non-digit (0 when none is read; "% F" gives 0). Codes 128 to 255 are the
// characters of Windows-1252 (the five unassigned codes give the C1 control with the same
// number). Every other character, "+" included, is copied unchanged. Only the ASCII digits
// 0-9, A-F, a-f are hexadecimal digits. The three characters of an escape are consumed
// whatever they are, so the escape "%%41" gives code 0 and then "1". Bad input never fails: a
// cut-off escape at the end reads what is there ("100%" ends with NUL, which is kept).
// A character is a Unicode character, not a UTF-16 unit: a well-formed surrogate pair is
// copied whole, and after a "%" it counts as one of the two characters (a non-digit). A lone
// surrogate counts as one character. So the result never splits a pair.
// sHexDecoded is replaced by the result; sDecodeMe and sHexDecoded may be the same string.
void DecodeHex(const QString &sDecodeMe, QString &sHexDecoded);

} // namespace tarvolin
