#include "url/decode_hex.h"

#include "settings/windows_1252.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>

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

// Appends the bytes of a run of escapes: each valid UTF-8 sequence as its character, every
// other byte as its Windows-1252 character. The lead byte tells the length a sequence must
// have; Qt's validator then rules out overlong forms, surrogates and code points past U+10FFFF.
void AppendRun(const QByteArray &run, QString &out) {
    qsizetype i = 0;
    while (i < run.size()) {
        const auto lead = static_cast<unsigned char>(run[i]);
        const qsizetype length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const QByteArrayView sequence(run.constData() + i, std::min(length, run.size() - i));
        if (length > 1 && sequence.size() == length && sequence.isValidUtf8()) {
            out += QString::fromUtf8(sequence);
            i += length;
        } else {
            out += QChar(fromWindows1252(lead));
            ++i;
        }
    }
}

} // namespace

void DecodeHex(const QString &sDecodeMe, QString &sHexDecoded) {
    const qsizetype length = sDecodeMe.size();
    QString decoded;
    decoded.reserve(length); // never longer than the input
    QByteArray run;
    qsizetype i = 0;
    while (i < length) {
        if (sDecodeMe.at(i) != u'%') {
            AppendRun(run, decoded);
            run.clear();
            const qsizetype n = CharLength(sDecodeMe, i);
            decoded += QStringView(sDecodeMe).mid(i, n);
            i += n;
            continue;
        }
        ++i;
        // The two characters after "%" are consumed whatever they are; digits are read from
        // the left until the first non-digit.
        int code = 0;
        bool reading = true;
        for (int taken = 0; taken < 2 && i < length; ++taken) {
            const int digit = HexDigitValue(sDecodeMe.at(i).unicode());
            if (digit < 0)
                reading = false;
            if (reading)
                code = code * 16 + digit;
            i += CharLength(sDecodeMe, i);
        }
        run += static_cast<char>(code);
    }
    AppendRun(run, decoded);
    sHexDecoded = decoded;
}

} // namespace tarvolin
