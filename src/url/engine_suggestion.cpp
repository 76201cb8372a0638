#include "url/engine_suggestion.h"

#include <algorithm>

namespace tarvolin {

namespace {

// Scheme characters (RFC 3986): an ASCII letter, then letters, digits, "+", "-" and ".".
bool isScheme(QStringView scheme) {
    const auto ascii = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    return !scheme.isEmpty() && ascii(scheme.front()) && !scheme.front().isDigit() &&
           std::all_of(scheme.begin(), scheme.end(),
                       [&](QChar c) { return ascii(c) || c == u'+' || c == u'-' || c == u'.'; });
}

} // namespace

EngineSuggestion SuggestEngine(QStringView url) {
    url = url.trimmed();
    const qsizetype schemeEnd = url.indexOf(u"://");
    if (schemeEnd < 0 || !isScheme(url.first(schemeEnd)))
        return {};
    const qsizetype hostStart = schemeEnd + 3;
    qsizetype pathStart = hostStart;
    while (pathStart < url.size() && !QStringView(u"/?#").contains(url[pathStart]))
        ++pathStart;
    QStringView host = url.sliced(hostStart, pathStart - hostStart);
    host = host.sliced(host.lastIndexOf(u'@') + 1);
    // An IPv6 address keeps its colons: the port follows its closing bracket.
    const qsizetype port = host.indexOf(u':', host.startsWith(u'[') ? host.indexOf(u']') : 0);
    if (port >= 0)
        host = host.first(port);
    if (host.startsWith(u"www.", Qt::CaseInsensitive))
        host = host.sliced(4);
    const qsizetype query = url.indexOf(u'?', pathStart);
    const qsizetype fragment = url.indexOf(u'#', pathStart);
    const bool hasQuery = query >= 0 && (fragment < 0 || query < fragment);
    return {host.toString().toLower(),
            hasQuery ? url.sliced(pathStart, query + 1 - pathStart).toString() : QString()};
}

} // namespace tarvolin
