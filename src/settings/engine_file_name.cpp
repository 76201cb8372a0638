#include "settings/engine_file_name.h"

namespace tarvolin {

namespace {

bool unsafeInFileName(char16_t c) {
    // What Linux, Windows or macOS refuse in a file name.
    return c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' ||
           c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

void appendEscaped(QString &out, char16_t c) {
    out += QChar(u'%');
    out += QString::number(c, 16).toUpper().rightJustified(2, QChar(u'0'));
}

} // namespace

QString EngineIniFile(const QString &engineName) {
    QString name;
    name.reserve(engineName.size());
    for (qsizetype i = 0; i < engineName.size(); ++i) {
        const QChar c = engineName.at(i);
        // An escape starts with "%", never with a hex digit, so a "%" kept as it is never
        // stands before two hex digits in the file name either (".ini" follows the name): the
        // escaping stays one to one.
        const bool readsAsEscape = c == u'%' && i + 2 < engineName.size() &&
                                   isHexDigit(engineName.at(i + 1)) &&
                                   isHexDigit(engineName.at(i + 2));
        if (unsafeInFileName(c.unicode()) || readsAsEscape)
            appendEscaped(name, c.unicode());
        else
            name += c;
    }
    return QStringLiteral("./") + name + QStringLiteral(".ini");
}

} // namespace tarvolin
