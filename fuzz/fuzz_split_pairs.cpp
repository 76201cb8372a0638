// Pair splitting and the query key search on arbitrary text.
//
// The whole input is split at "&": the pieces join back to the text, hold no "&", and there is
// one more piece than "&". Each piece is cut into key name and value, which join back to it.
// When the input holds a line feed, the part before it is also searched as a query key in the
// part after it: a match equals the key ignoring case, and no earlier position matches.

#include "url/query_split.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvolin;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

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
    // A plain scan with the case-insensitive comparison, independent of indexOf.
    const qsizetype last = position > 0 ? position - 1 : url.size() - key.size();
    for (qsizetype i = 0; i < last; ++i)
        Check(url.sliced(i, key.size()).compare(key, Qt::CaseInsensitive) != 0);
    if (position > 0) {
        Check(position - 1 + key.size() <= url.size());
        Check(url.sliced(position - 1, key.size()).compare(key, Qt::CaseInsensitive) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    CheckSplit(text);

    const qsizetype newline = text.indexOf(u'\n');
    if (newline >= 0)
        CheckFind(QStringView(text).sliced(newline + 1), QStringView(text).first(newline));
    return 0;
}
