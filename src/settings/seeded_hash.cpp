#include "settings/seeded_hash.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tarvolin {

namespace {

// Qt 6.4's hash takes an AVX road on processors that have it and returns without clearing the
// upper halves of the AVX registers; the SSE code that runs next then stalls at each switch.
// On this project's Xeon machines that made a hash of a short name cost about 120 ns instead
// of 15, so the halves are cleared after each call.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
bool hasAvx() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}
#else
void clearUpperHalves() {}
bool hasAvx() {
    return false;
}
#endif

} // namespace

size_t seededHash(const void *data, qsizetype bytes, size_t seed) {
    static const bool avx = hasAvx();
    size_t hash;
    if (bytes >= 16) {
        hash = qHashBits(data, size_t(bytes), seed);
    } else {
        // Qt hashes fewer than 16 bytes with a masked load that is slow on these processors as
        // well: shorter names are hashed zero-padded to 16 bytes, under a seed that tells their
        // lengths apart. Copied byte by byte: a memcpy here was as slow as the masked load.
        alignas(16) uchar padded[16];
        for (qsizetype i = 0; i < 16; ++i)
            padded[i] = i < bytes ? static_cast<const uchar *>(data)[i] : 0;
        hash = qHashBits(padded, sizeof padded, seed + size_t(bytes));
    }
    if (avx)
        clearUpperHalves();
    return hash;
}

} // namespace tarvolin
