#include "settings/engine_file_name.h"

#include <algorithm>

namespace tarvolin {

namespace {

bool unsafeInFileName(char16_t c) {
    // What Linux, Windows or macOS refuse in a file name, and "%" so the escape is unambiguous.
    return c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' ||
           c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|' || c == u'%';
}

void appendEscaped(QString &out, char16_t c) {
    out += QChar(u'%');
    out += QString::number(c, 16).toUpper().rightJustified(2, QChar(u'0'));
}

} // namespace

QString EngineIniFile(const QString &engineName) {
    QString name;
    name.reserve(engineName.size());
    // "." and ".." must not name the folder itself or its parent, whatever follows them.
    const bool onlyDots =
        !engineName.isEmpty() && std::all_of(engineName.cbegin(), engineName.cend(),
                                             [](QChar c) { return c == QChar(u'.'); });
    for (const QChar c : engineName) {
        if (onlyDots || unsafeInFileName(c.unicode()))
            appendEscaped(name, c.unicode());
        else
            name += c;
    }
    return QStringLiteral("./") + name + QStringLiteral(".ini");
}

} // namespace tarvolin
