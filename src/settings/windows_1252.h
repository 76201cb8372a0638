#pragma once

#include <array>

namespace tarvolin {

// The character of one Windows-1252 byte. The code page differs from Latin-1 only in
// 0x80-0x9F; its five unassigned codes keep their C1 control code point, as Windows itself
// converts them, so every byte keeps a distinct character. Used for profile lines that are not
// UTF-8 and for percent-decoded bytes.
constexpr char16_t fromWindows1252(unsigned char code) {
    constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return code >= 0x80 && code < 0xA0 ? kHigh[code - 0x80] : char16_t(code);
}

} // namespace tarvolin
