#pragma once

#include <QChar>
#include <QtAlgorithms>
#include <QtGlobal>

namespace tarvolin::plain_scan {

// The fast listing of a section's entry names, for the lines whose name is plain (see
// plain_name.h): printable ASCII without backslash up to the line's "=", not opening with a
// blank, a comment or a header. Such a name is its bytes, so listing it is widening them.

// Bit i of stops is set when byte i of a 64-byte block stops a plain entry name
// (plain_name::kEndsPlainKey), bit i of newlines when it is a line feed.
struct BlockMasks {
    quint64 stops = 0;
    quint64 newlines = 0;
};

// Builds without SSE2 have no scan: their listPlainNames takes no line.
BlockMasks scanBlock(const char *block);

// Lists the names of a run of plain lines from line on, each followed by NUL, at out (which
// has room for the bytes listed plus their NULs and 15 more characters), and moves out past
// them. Works 64 bytes at a
// time while 80 bytes are left before end. Returns the first line it did not take: one whose
// name is not plain or runs past its block, or one in the last 80 bytes; end when the last line
// it took has no line feed.
const char *listPlainNames(const char *line, const char *end, QChar *&out);

} // namespace tarvolin::plain_scan
