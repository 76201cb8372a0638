#include "url/query_split.h"

namespace tarvolin {

qsizetype FindQueryKey(QStringView url, QStringView queryKey) {
    // The empty needle is treated as found at the start even in an empty URL.
    if (queryKey.isEmpty())
        return 1;
    // Qt folds case one UTF-16 unit (or surrogate pair) at a time, so a match has the key's
    // length and its index is a position in the original, unfolded text.
    const qsizetype index = url.indexOf(queryKey, 0, Qt::CaseInsensitive);
    return index < 0 ? 0 : index + 1;
}

std::vector<QStringView> SplitPairs(QStringView text) {
    std::vector<QStringView> pieces;
    pieces.reserve(static_cast<std::size_t>(text.count(u'&')) + 1);
    qsizetype start = 0;
    for (;;) {
        const qsizetype amp = text.indexOf(u'&', start);
        if (amp < 0)
            break;
        pieces.push_back(text.sliced(start, amp - start));
        start = amp + 1;
    }
    pieces.push_back(text.sliced(start));
    return pieces;
}

KeyPair SplitKeyPair(QStringView pair) {
    const qsizetype equals = pair.indexOf(u'=');
    if (equals < 0)
        return {QStringView(), pair};
    return {pair.first(equals + 1), pair.sliced(equals + 1)};
}

} // namespace tarvolin
