#include "settings/engine_file_name.h"

#include <QCryptographicHash>
#include <QRegularExpression>

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

QString escaped(char16_t c) {
    return u'%' + QString::number(c, 16).toUpper().rightJustified(2, QChar(u'0'));
}

// The main file's own name, ignoring case (one file where case is ignored), or a name Windows
// keeps for a device, with or without an extension.
bool isTaken(const QString &name) {
    static const QRegularExpression taken(
        QRegularExpression::anchoredPattern(
            u"tarvolin|(con|prn|aux|nul|com[1-9]|lpt[1-9]) *(\\..*)?"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return taken.match(name).hasMatch();
}

// The bytes a file name spends on c in UTF-8 (a surrogate pair: two each).
qsizetype utf8Bytes(QChar c) {
    return c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3;
}

// Most file systems take at most 255 bytes per file name; ".ini" needs four.
constexpr qsizetype kMaxStemBytes = 255 - 4;
// What a shortened name keeps of the name itself, leaving room for the mark and the hash.
constexpr qsizetype kPrefixBytes = 200;

} // namespace

QString EngineIniFile(const QString &engineName) {
    QString name;
    name.reserve(engineName.size());
    qsizetype bytes = 0, prefix = 0;
    // A first character escaped that needs no escape frees the name of the main file's and the
    // devices' names, and no other name has that file name.
    const bool taken = isTaken(engineName);
    for (qsizetype i = 0; i < engineName.size(); ++i) {
        const QChar c = engineName.at(i);
        if (bytes <= kPrefixBytes && !c.isLowSurrogate())
            prefix = name.size();
        // An escape starts with "%", never with a hex digit, so a "%" kept as it is never
        // stands before two hex digits in the file name either (".ini" follows the name): the
        // escaping stays one to one.
        const bool readsAsEscape = c == u'%' && i + 2 < engineName.size() &&
                                   isHexDigit(engineName.at(i + 1)) &&
                                   isHexDigit(engineName.at(i + 2));
        const QString piece = unsafeInFileName(c.unicode()) || readsAsEscape || (i == 0 && taken)
                                  ? escaped(c.unicode())
                                  : QString(c);
        name += piece;
        bytes += piece.size() == 1 ? utf8Bytes(c) : piece.size();
    }
    // A name too long for a file keeps its start, then "%7E" and a hash of the whole name:
    // escaping leaves "~" as it is, so no name escaped in full gives such a file name.
    if (bytes > kMaxStemBytes)
        name = name.left(prefix) + QStringLiteral("%7E") +
               QString::fromLatin1(
                   QCryptographicHash::hash(engineName.toUtf8(), QCryptographicHash::Sha256)
                       .toHex()
                       .left(32));
    return QStringLiteral("./") + name + QStringLiteral(".ini");
}

} // namespace tarvolin
