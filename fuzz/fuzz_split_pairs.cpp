// Pair splitting and the query key search on arbitrary text.
//
// The whole input is split at "&": the pieces join back to the text, hold no "&", and there is
// one more piece than "&". Each piece is cut into key name and value, which join back to it.
// When the input holds a line feed, the part before it is also searched as a query key in the
// part after it: a match equals the key ignoring case and no earlier start matches; when it
// is not found, no start matches, up to the last one where the key still fits.

#include "fuzz_support.h"
#include "url/query_split.h"

using namespace tarvolin;
using fuzz::Check;

namespace {

void CheckSplit(const QString &text) {
    const std::vector<QStringView> pieces = SplitPairs(text);
    Check(pieces.size() == static_cast<std::size_t>(text.count(u'&')) + 1);

    QString joined;
    const QChar *expectedStart = text.constData();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const QStringView piece = pieces[i];
        Check(!piece.contains(u'&'));
        // The pieces are views into the text, lying one after another.
        Check(piece.isEmpty() || piece.data() == expectedStart);
        expectedStart += piece.size() + 1;
        if (i > 0)
            joined += u'&';
        joined += piece;

        const KeyPair pair = SplitKeyPair(piece);
        Check(pair.keyName.toString() + pair.value.toString() == piece.toString());
        if (pair.keyName.isEmpty())
            Check(!piece.contains(u'=') && pair.value.size() == piece.size());
        else
            Check(pair.keyName.indexOf(u'=') == pair.keyName.size() - 1);
    }
    Check(joined == text);
}

void CheckFind(QStringView url, QStringView key) {
    const qsizetype position = FindQueryKey(url, key);
    Check(position >= 0 && position <= url.size() + 1);
    if (key.isEmpty()) {
        Check(position == 1);
        return;
    }
    const auto matchesAt = [&](qsizetype i) {
        return url.sliced(i, key.size()).compare(key, Qt::CaseInsensitive) == 0;
    };
    Check(position == 0 || (position - 1 + key.size() <= url.size() && matchesAt(position - 1)));
    // A plain scan, independent of indexOf.
    const qsizetype end = position > 0 ? position - 1 : url.size() - key.size() + 1;
    for (qsizetype i = 0; i < end; ++i)
        Check(!matchesAt(i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzz::Utf8(data, size);
    CheckSplit(text);

    const qsizetype newline = text.indexOf(u'\n');
    if (newline >= 0)
        CheckFind(QStringView(text).sliced(newline + 1), QStringView(text).first(newline));
    return 0;
}
