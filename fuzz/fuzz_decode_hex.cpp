// Percent decoding on arbitrary text.
//
// A walk over the input's Unicode characters predicts the output: one character per escape
// ("%" and the next two characters) and every other character copied. The output length must
// match in characters and in UTF-16 units; escape codes outside 0x80-0x9F must be the code
// itself, those inside map to a non-ASCII character; text without "%" comes back unchanged.

#include "fuzz_support.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString input = fuzz::Utf8(data, size);
    QString output = QStringLiteral("stale");
    DecodeHex(input, output);

    const QList<uint> in = input.toUcs4();
    const QList<uint> out = output.toUcs4();
    qsizetype expectedUnits = 0;
    qsizetype o = 0;
    for (qsizetype i = 0; i < in.size(); ++o) {
        Check(o < out.size());
        if (in[i] == U'%') {
            const int code = LeadingHex(in, i + 1, i + 3);
            Check(code >= 0 && code <= 255);
            if (code >= 0x80 && code <= 0x9F)
                Check(out[o] >= 0x80);
            else
                Check(out[o] == static_cast<uint>(code));
            expectedUnits += 1;
            i += 3;
        } else {
            Check(out[o] == in[i]);
            expectedUnits += in[i] > 0xFFFF ? 2 : 1;
            i += 1;
        }
    }
    Check(o == out.size());
    Check(output.size() == expectedUnits);
    if (!input.contains(u'%'))
        Check(output == input);
    return 0;
}
