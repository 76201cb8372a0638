#include "url/query_split.h"

#include <algorithm>

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

// Pieces are a few characters long, so QStringView::indexOf's per-call set-up would cost more
// than the scan itself; std::find over the UTF-16 units is several times cheaper. Counting the
// separators first, to reserve, would cost a second pass for less than the vector's growth.
std::vector<QStringView> SplitPairs(QStringView text) {
    const char16_t *const begin = text.utf16();
    const char16_t *const end = begin + text.size();
    std::vector<QStringView> pieces;
    const char16_t *start = begin;
    for (;;) {
        const char16_t *const amp = std::find(start, end, u'&');
        pieces.emplace_back(start, amp);
        if (amp == end)
            break;
        start = amp + 1;
    }
    return pieces;
}

KeyPair SplitKeyPair(QStringView pair) {
    const char16_t *const begin = pair.utf16();
    const char16_t *const end = begin + pair.size();
    const char16_t *const equals = std::find(begin, end, u'=');
    if (equals == end)
        return {QStringView(), pair};
    const qsizetype nameLength = equals - begin + 1;
    return {pair.first(nameLength), pair.sliced(nameLength)};
}

} // namespace tarvolin
