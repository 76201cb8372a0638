#include "url/decode_hex.h"

#include "settings/windows_1252.h"

namespace tarvolin {

namespace {

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
        *out++ = QChar(fromWindows1252(static_cast<unsigned char>(code)));
    }
    decoded.truncate(out - decoded.constData());
    sHexDecoded = decoded;
}

} // namespace tarvolin
