#pragma once

#include <QChar>
#include <QtAlgorithms>
#include <QtGlobal>

namespace tarvolin::plain_scan {

// The fast listing of a section's entry names, for the lines whose name is plain (see
// plain_name.h): printable ASCII without backslash up to the line's "=", not opening with a
// blank, a comment or a header. Such a name is its bytes, so listing it is widening them.
// It stays for the bench row "Store: all names, 1 MB single-section file, against one memchr
// pass" (goal 2x): 0.54x to 1.52x with it, 2.39x to 5.80x without (three runs in turn, AMD EPYC,
// Qt 6.4.2, load 6.5 to 7.4).

// Lists the names of a run of plain lines from line on, each followed by NUL, at out (which
// has room for the bytes listed plus their NULs and 15 more characters), and moves out past
// them. Works 64 bytes at a time while 80 bytes are left before end. Returns the first line it did
// not take: one whose name is not plain or runs past its block, or one in the last 80 bytes; end
// when the last line it took has no line feed.
const char *listPlainNames(const char *line, const char *end, QChar *&out);

} // namespace tarvolin::plain_scan
