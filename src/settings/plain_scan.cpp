#include "settings/plain_scan.h"

#include "settings/plain_name.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tarvolin::plain_scan {

#ifdef __SSE2__

namespace {

// Bit i of stops is set when byte i of a 64-byte block stops a plain entry name
// (plain_name::kNotPlain or "="), bit i of newlines when it is a line feed.
struct BlockMasks {
    quint64 stops = 0;
    quint64 newlines = 0;
};

BlockMasks scanBlock(const char *block) {
    const __m128i blank = _mm_set1_epi8(0x20);
    const __m128i del = _mm_set1_epi8(0x7F);
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i equals = _mm_set1_epi8('=');
    const __m128i newline = _mm_set1_epi8('\n');
    BlockMasks masks;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + 16 * k));
        // Compared as signed bytes, those from 0x80 up fall below the blank too.
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(v, blank), _mm_cmpeq_epi8(v, del)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, equals)));
        masks.stops |= quint64(unsigned(_mm_movemask_epi8(stop))) << (16 * k);
        masks.newlines |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline))))
                          << (16 * k);
    }
    return masks;
}

// Widens size bytes from 16 at a time, so it reads and writes up to 15 past them: the caller
// keeps 80 bytes before the end it reads (listPlainNames) and 15 characters of room past the
// list it writes (see ListBuilder in document_lists.cpp).
void widenRun(const char *from, qsizetype size, QChar *out) {
    for (qsizetype i = 0; i < size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_unpacklo_epi8(v, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8),
                         _mm_unpackhi_epi8(v, _mm_setzero_si128()));
    }
}

} // namespace

const char *listPlainNames(const char *line, const char *end, QChar *&out) {
    using plain_name::is;
    // The masks are computed apart from where the lines start, so a line costs a few bit
    // operations rather than a chain of loads and tests.
    while (end - line >= 80) {
        const char *base = line;
        const BlockMasks masks = scanBlock(base);
        for (;;) {
            const int offset = int(line - base);
            if (is(*line, plain_name::Blank | plain_name::LineMark))
                return line;
            const quint64 stops = masks.stops >> offset;
            if (stops == 0) {
                if (offset == 0)
                    return line; // a name of 64 bytes or more
                break;           // the name runs past the block: the next one starts here
            }
            const int stop = offset + qCountTrailingZeroBits(stops);
            if (stop == offset || base[stop] != '=')
                return line;
            // Blanks before the "=" are no part of the name (its first byte is no blank).
            const char *nameEnd = base + stop;
            while (is(nameEnd[-1], plain_name::Blank))
                --nameEnd;
            widenRun(line, nameEnd - line, out);
            out += nameEnd - line;
            *out++ = u'\0';
            // A line feed stops a name too, so the line's first one lies past the "=".
            const quint64 newlines = masks.newlines >> offset;
            if (newlines == 0) {
                const void *newline =
                    std::memchr(base + stop + 1, '\n', size_t(end - base - stop - 1));
                if (!newline)
                    return end;
                line = static_cast<const char *>(newline) + 1;
                break;
            }
            line += qCountTrailingZeroBits(newlines) + 1;
            if (line - base >= 64)
                break;
        }
    }
    return line;
}

#else

const char *listPlainNames(const char *line, const char *, QChar *&) {
    return line;
}

#endif

} // namespace tarvolin::plain_scan
