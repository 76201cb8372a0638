#include "settings/seeded_hash.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarvolin {

namespace {

// Qt 6.4's hash takes an AVX road on processors that have it. Two things make it slow there for
// short names, measured on this project's Xeon machines:
//  - it returns without clearing the upper halves of the AVX registers, and the SSE code that
//    runs next stalls at each switch (a short name's hash cost 120 ns instead of 15), so the
//    halves are cleared after each call;
//  - it reads fewer than 32 bytes with a masked load, slow for fewer than 16 and unable to take
//    bytes from stores still on their way to memory. A name under 16 bytes is therefore put into
//    a zeroed block of 64 with two whole 32-byte stores, which the hash's two plain 32-byte
//    loads take straight from those stores, and hashed under a seed that tells lengths apart:
//    8 ns a name instead of 18 with a padded copy of 16 bytes.
#if defined(__x86_64__)

// The first bytes (fewer than 16) of data, zero-padded, read without touching a byte past them.
__m128i loadShort(const uchar *data, qsizetype bytes) {
    quint64 low = 0;
    quint64 high = 0;
    if (bytes >= 8) {
        std::memcpy(&low, data, 8);
        if (bytes > 8) {
            std::memcpy(&high, data + bytes - 8, 8);
            high >>= 8 * (16 - bytes);
        }
    } else if (bytes >= 4) {
        quint32 first;
        quint32 last;
        std::memcpy(&first, data, 4);
        std::memcpy(&last, data + bytes - 4, 4);
        low = first | quint64(last) << 8 * (bytes - 4);
    } else {
        for (qsizetype i = 0; i < bytes; ++i)
            low |= quint64(data[i]) << 8 * i;
    }
    return _mm_set_epi64x(qint64(high), qint64(low));
}

__attribute__((target("avx"))) size_t hashShortAvx(const uchar *data, qsizetype bytes,
                                                   size_t seed) {
    alignas(32) uchar block[64];
    _mm256_store_si256(reinterpret_cast<__m256i *>(block),
                       _mm256_zextsi128_si256(loadShort(data, bytes)));
    _mm256_store_si256(reinterpret_cast<__m256i *>(block + 32), _mm256_setzero_si256());
    const size_t hash = qHashBits(block, sizeof block, seed + size_t(bytes));
    _mm256_zeroupper();
    return hash;
}

__attribute__((target("avx"))) size_t hashAvx(const void *data, qsizetype bytes, size_t seed) {
    const size_t hash = qHashBits(data, size_t(bytes), seed);
    _mm256_zeroupper();
    return hash;
}

bool hasAvx() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

#else

bool hasAvx() {
    return false;
}

#endif

} // namespace

size_t seededHash(const void *data, qsizetype bytes, size_t seed) {
#if defined(__x86_64__)
    static const bool avx = hasAvx();
    if (avx) {
        return bytes < 16 ? hashShortAvx(static_cast<const uchar *>(data), bytes, seed)
                          : hashAvx(data, bytes, seed);
    }
#endif
    return qHashBits(data, size_t(bytes), seed);
}

} // namespace tarvolin
