// Percent decoding on arbitrary text.
//
// A walk over the input's Unicode characters predicts the output: every "%" and the next two
// characters give one byte, every other character is copied. A run of such bytes gives, at
// each byte, the one character of the shortest piece that reads back as exactly that piece of
// UTF-8 (two to four bytes), or else the byte's Windows-1252 character. The output must match
// in characters and in UTF-16 units; text without "%" comes back unchanged.

#include "fuzz_support.h"
#include "settings/windows_1252.h"
#include "url/decode_hex.h"

using namespace tarvolin;
using fuzz::Check;

namespace {

int LeadingHex(const QList<uint> &chars, qsizetype from, qsizetype to) {
    QString digits;
    for (qsizetype i = from; i < to && i < chars.size(); ++i) {
        const uint c = chars[i];
        const bool isHex =
            (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
        if (!isHex)
            break;
        digits += QChar(static_cast<char16_t>(c));
    }
    return digits.isEmpty() ? 0 : digits.toInt(nullptr, 16);
}

// Checked by a round trip rather than by a validator: invalid bytes decode to U+FFFD, which
// encodes to other bytes.
void ExpandRun(const QByteArray &run, QList<uint> &expected) {
    for (qsizetype i = 0; i < run.size();) {
        qsizetype taken = 1;
        uint code = fromWindows1252(static_cast<unsigned char>(run[i]));
        for (qsizetype n = 2; n <= 4 && i + n <= run.size(); ++n) {
            const QString piece = QString::fromUtf8(run.mid(i, n));
            if (piece.toUcs4().size() == 1 && piece.toUtf8() == run.mid(i, n)) {
                taken = n;
                code = piece.toUcs4().first();
                break;
            }
        }
        expected.append(code);
        i += taken;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString input = fuzz::Utf8(data, size);
    QString output = QStringLiteral("stale");
    DecodeHex(input, output);

    const QList<uint> in = input.toUcs4();
    QList<uint> expected;
    QByteArray run;
    for (qsizetype i = 0; i < in.size();) {
        if (in[i] == U'%') {
            const int code = LeadingHex(in, i + 1, i + 3);
            Check(code >= 0 && code <= 255);
            run += static_cast<char>(code);
            i += 3;
        } else {
            ExpandRun(run, expected);
            run.clear();
            expected.append(in[i++]);
        }
    }
    ExpandRun(run, expected);
    Check(output.toUcs4() == expected);
    qsizetype expectedUnits = 0;
    for (const uint c : expected)
        expectedUnits += c > 0xFFFF ? 2 : 1;
    Check(output.size() == expectedUnits);
    if (!input.contains(u'%'))
        Check(output == input);
    return 0;
}
