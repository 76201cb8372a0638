#pragma once

#include <QHash>
#include <QStringView>

namespace tarvolin {

// Qt's seeded hash (qHashBits, as qHash uses it, under QHashSeed::globalSeed()) for names that
// come from pasted URLs and hand-edited files. Qt keys it with a random seed per process, so
// text chosen without knowing the seed cannot be made to collide (the multiply-and-fold hash
// used before had collisions that held for every seed). See the .cpp for how it is called.
size_t seededHash(const void *data, qsizetype bytes, size_t seed);

inline size_t seededHash(QStringView text, size_t seed) {
    return seededHash(text.utf16(), text.size() * qsizetype(sizeof(char16_t)), seed);
}

} // namespace tarvolin
