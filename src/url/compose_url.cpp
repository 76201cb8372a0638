#include "url/compose_url.h"

namespace tarvolin {

QString ComposeUrl(const QString &urlBase, const std::vector<ComposeRow> &rows) {
    // Size the result once so that many rows stay linear.
    qsizetype total = urlBase.size();
    for (const ComposeRow &row : rows)
        total += row.keyName.size() + row.value.size() + 1;

    QString url;
    url.reserve(total);
    url += urlBase;
    bool first = true;
    for (const ComposeRow &row : rows) {
        // Blanks count as present: only the truly empty name or value drops a row.
        if (row.keyName.isEmpty() || row.value.isEmpty())
            continue;
        if (!first)
            url += u'&';
        url += row.keyName;
        url += row.value;
        first = false;
    }
    return url;
}

} // namespace tarvolin
