#include "url/decode_hex.h"

#include <array>

namespace tarvolin {

namespace {

// Windows-1252 0x80-0x9F; the five unassigned codes keep their C1 control code point, as
// MultiByteToWideChar does for code page 1252.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QChar CharForCode(int code) {
    if (code >= 0x80 && code <= 0x9F)
        return QChar(kCp1252High[static_cast<std::size_t>(code - 0x80)]);
    // 0x00-0x7F are ASCII and 0xA0-0xFF coincide with Latin-1.
    return QChar(static_cast<char16_t>(code));
}

// Only ASCII hex digits count; QChar::isDigit would accept Arabic-Indic and other digits.
int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Length in UTF-16 units of the character starting at index: a well-formed surrogate pair is
// one character, anything else (a lone surrogate included) is one unit.
qsizetype CharLength(const QString &text, qsizetype index) {
    if (index + 1 < text.size() && text.at(index).isHighSurrogate() &&
        text.at(index + 1).isLowSurrogate())
        return 2;
    return 1;
}

} // namespace

void DecodeHex(const QString &sDecodeMe, QString &sHexDecoded) {
    // The result is never longer than the input: write into a buffer of that size, then trim.
    const qsizetype length = sDecodeMe.size();
    const QChar *in = sDecodeMe.constData();
    QString decoded(length, Qt::Uninitialized);
    QChar *out = decoded.data();
    qsizetype i = 0;
    while (i < length) {
        if (in[i] != u'%') {
            const qsizetype n = CharLength(sDecodeMe, i);
            for (qsizetype k = 0; k < n; ++k)
                *out++ = in[i + k];
            i += n;
            continue;
        }
        ++i;
        // The two characters after "%" are consumed whatever they are; digits are read from
        // the left until the first non-digit.
        int code = 0;
        bool reading = true;
        for (int taken = 0; taken < 2 && i < length; ++taken) {
            const int digit = HexDigitValue(in[i].unicode());
            if (digit < 0)
                reading = false;
            if (reading)
                code = code * 16 + digit;
            i += CharLength(sDecodeMe, i);
        }
        *out++ = CharForCode(code);
    }
    decoded.truncate(out - decoded.constData());
    sHexDecoded = decoded;
}

} // namespace tarvolin
