#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace tarvolin {

// One key row as the composer sees it: the key name (with its "=") and the value.
struct ComposeRow {
    QString keyName;
    QString value;
};

// urlBase followed by "keyName + value" of every row whose key name and value are both
// non-empty, joined by "&", in row order. Nothing is encoded, trimmed or checked.
QString ComposeUrl(const QString &urlBase, const std::vector<ComposeRow> &rows);

} // namespace tarvolin
