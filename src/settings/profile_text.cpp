#include "settings/profile_text.h"

#include "settings/windows_1252.h"

#include <QStringEncoder>

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
    for (const char byte : raw)
        *out++ = QChar(fromWindows1252(static_cast<unsigned char>(byte)));
    return text;
}

// The classes of every character that some field escapes somewhere.
constexpr quint8 kMayNeedEscape = plain_name::Control | plain_name::Backslash | plain_name::Blank |
                                  plain_name::CloseBracket | plain_name::Equals |
                                  plain_name::LineMark | plain_name::Quote;

bool needsEscape(QStringView text, qsizetype i, Field field) {
    using namespace plain_name;
    const char16_t c = text[i].unicode();
    const qsizetype last = text.size() - 1;
    if (is(c, Control))
        return true;
    if (is(c, Backslash))
        return i + 3 <= last && text[i + 1] == u'x' && isUpperHex(text[i + 2].unicode()) &&
               isUpperHex(text[i + 3].unicode());
    if ((i == 0 || i == last) && is(c, Blank))
        return true;
    switch (field) {
    case Field::Section:
        return is(c, CloseBracket);
    case Field::Key:
        return is(c, Equals) || (i == 0 && is(c, LineMark));
    case Field::Value:
        return i == 0 && last > 0 && is(c, Quote) && text[last] == c;
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

char *writeField(char *dest, QStringView text, Field field) {
    // ASCII is copied as it is; escaped characters are all ASCII, so a run of other characters
    // goes to the UTF-8 encoder whole and never splits a surrogate pair.
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            qsizetype end = i + 1;
            while (end < n && text[end].unicode() >= 0x80)
                ++end;
            QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
            dest = utf8.appendToBuffer(dest, text.sliced(i, end - i));
            i = end - 1;
        } else if (plain_name::is(c, kMayNeedEscape) && needsEscape(text, i, field)) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
            dest = std::copy_n(escape, 4, dest);
        } else {
            *dest++ = char(c);
        }
    }
    return dest;
}

void appendField(QByteArray &out, QStringView text, Field field) {
    const qsizetype start = out.size();
    out.resize(start + 4 * text.size());
    out.truncate(writeField(out.data() + start, text, field) - out.constData());
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

bool isPlain(QByteArrayView bytes) {
    return std::none_of(bytes.begin(), bytes.end(),
                        [](char c) { return plain_name::is(c, plain_name::kNotPlain); });
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
