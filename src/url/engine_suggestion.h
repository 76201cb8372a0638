#pragma once

#include <QString>
#include <QStringView>

namespace tarvolin {

// What the add-engine dialog offers for a URL: the host in lower case without a leading "www."
// (user, password and port left out) as the engine name, and the path up to and including the
// first "?" as the query key, spelled as in the URL. Only a text that starts with a scheme and
// "://" is taken for a URL: anything else gives two empty texts. A URL without a "?" before its
// "#" gives an empty query key.
struct EngineSuggestion {
    QString engine;
    QString queryKey;
};
EngineSuggestion SuggestEngine(QStringView url);

} // namespace tarvolin
