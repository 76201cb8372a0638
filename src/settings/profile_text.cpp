#include "settings/profile_text.h"

#include "settings/windows_1252.h"

#include <QStringDecoder>

#include <algorithm>

namespace tarvolin::profile_text {

namespace {

bool isUpperHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

int hexValue(char16_t c) {
    return c <= u'9' ? c - u'0' : c - u'A' + 10;
}

QString fromCp1252(QByteArrayView raw) {
    QString text(raw.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : raw) {
        const auto code = static_cast<unsigned char>(byte);
        *out++ = QChar(fromWindows1252(code));
    }
    return text;
}

bool needsEscape(QStringView text, qsizetype i, Field field) {
    const char16_t c = text[i].unicode();
    const qsizetype last = text.size() - 1;
    if (c < 0x20 || c == 0x7F)
        return true;
    if (c == u'\\')
        return i + 3 <= last && text[i + 1] == u'x' && isUpperHex(text[i + 2].unicode()) &&
               isUpperHex(text[i + 3].unicode());
    if ((i == 0 || i == last) && (c == u' ' || c == u'\t'))
        return true;
    switch (field) {
    case Field::Section:
        return c == u']';
    case Field::Key:
        return c == u'=' || (i == 0 && (c == u'[' || c == u';' || c == u'#'));
    case Field::Value:
        return i == 0 && last > 0 && (c == u'"' || c == u'\'') && text[last] == c;
    }
    return false;
}

QString unescape(const QString &text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' && i + 3 < n && text[i + 1] == u'x' && isUpperHex(text[i + 2].unicode()) &&
            isUpperHex(text[i + 3].unicode())) {
            out += QChar(
                char16_t(hexValue(text[i + 2].unicode()) * 16 + hexValue(text[i + 3].unicode())));
            i += 3;
        } else {
            out += QChar(c);
        }
    }
    return out;
}

} // namespace

QByteArray encodeField(QStringView text, Field field) {
    QByteArray out(text.size(), Qt::Uninitialized);
    if (copyPlainField(text, out.data()))
        return out;
    out.clear();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!needsEscape(text, i, field))
            continue;
        // Escaped characters are all ASCII, so a run never splits a surrogate pair.
        out += text.mid(runStart, i - runStart).toUtf8();
        static constexpr char kHex[] = "0123456789ABCDEF";
        const char16_t c = text[i].unicode();
        out += "\\x";
        out += kHex[(c >> 4) & 0xF];
        out += kHex[c & 0xF];
        runStart = i + 1;
    }
    if (runStart == 0)
        return text.toUtf8();
    out += text.mid(runStart).toUtf8();
    return out;
}

QString decodeField(QByteArrayView raw, bool utf8) {
    // QString::fromUtf8 drops a leading U+FEFF as a byte order mark; in a field it is text
    // (pasted from a web page as a zero-width no-break space) and must read back.
    static constexpr QByteArrayView kFeff("\xEF\xBB\xBF");
    if (utf8 && raw.startsWith(kFeff))
        return QChar(u'\uFEFF') + decodeField(raw.sliced(kFeff.size()), true);
    QString text = utf8 ? QString::fromUtf8(raw) : fromCp1252(raw);
    if (raw.contains('\\'))
        return unescape(text);
    return text;
}

bool isAscii(QByteArrayView bytes) {
    // OR-ing every byte vectorises well; this runs over every line of a section being read.
    unsigned char any = 0;
    for (const char byte : bytes)
        any |= static_cast<unsigned char>(byte);
    return any < 0x80;
}

bool isPlain(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F && c != '\\'; });
}

bool isPlain(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\';
    });
}

bool isUtf8(QByteArrayView line) {
    if (isAscii(line))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(line);
    return !decoder.hasError();
}

QByteArrayView trimmed(QByteArrayView bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QByteArrayView stripQuotes(QByteArrayView value) {
    const qsizetype n = value.size();
    if (n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0])
        return value.sliced(1, n - 2);
    return value;
}

} // namespace tarvolin::profile_text
