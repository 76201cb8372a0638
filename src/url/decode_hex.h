#pragma once

#include <QString>

namespace tarvolin {

// Percent decoding for display. Each "%" and the (up to) two characters after it become one
// character whose code is those characters read as a hexadecimal number, reading stopping at
// the first non-digit (0 when none is read; "% F" gives 0). Codes 128 to 255 are the
// characters of Windows-1252. Every other character, "+" included, is copied unchanged.
// sHexDecoded is replaced by the result.
void DecodeHex(const QString &sDecodeMe, QString &sHexDecoded);

} // namespace tarvolin
