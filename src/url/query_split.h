#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace tarvolin {

// 1-based position of the first occurrence of queryKey in url, letters compared without
// regard to case (Qt's simple Unicode case folding, one character to one, so the match has the
// key's length and "url.left(position + key length - 1)" spells the key as the URL does);
// 0 when it does not occur. An empty key is found at position 1, even in an empty url.
qsizetype FindQueryKey(QStringView url, QStringView queryKey);

// Cuts the text after the query key at every "&". With m separators there are m + 1 pieces,
// empty ones included; an empty text gives one empty piece. The views point into text.
std::vector<QStringView> SplitPairs(QStringView text);

// A pair's key name runs up to and including its first "="; the value is everything after
// it. Without "=" the key name is empty and the value is the whole pair.
struct KeyPair {
    QStringView keyName;
    QStringView value;
};
KeyPair SplitKeyPair(QStringView pair);

} // namespace tarvolin
