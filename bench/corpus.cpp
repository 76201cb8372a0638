#include "corpus.h"

#include "settings/engine_file_name.h"

#include <array>

namespace tarvolin::bench {

namespace {

constexpr std::array kFamiliarKeys = {
    u"q=",   u"hl=",     u"num=", u"start=", u"safe=",   u"lr=",   u"ie=",   u"oe=",
    u"tbm=", u"tbs=",    u"gl=",  u"cr=",    u"filter=", u"pws=",  u"nfpr=", u"client=",
    u"sa=",  u"source=", u"ei=",  u"ved=",   u"uact=",   u"oq=",   u"aqs=",  u"sourceid=",
    u"rls=", u"biw=",    u"bih=", u"dpr=",   u"as_qdr=", u"sxsrf="};

constexpr std::array kValues = {
    "en",    "de",  "fr",     "es",     "it",      "nl",          "sv",     "ja",
    "10",    "20",  "30",     "50",     "100",     "off",         "active", "images",
    "isch",  "nws", "vid",    "utf-8",  "lang_en", "lang_de",     "qdr:d",  "qdr:w",
    "qdr:m", "web", "psy-ab", "chrome", "1",       "firefox-b-d", "0"};

constexpr int kFamiliarCount = int(kFamiliarKeys.size());
constexpr int kValueCount = int(kValues.size());

// Value j of a section: the common values first, then the same ones numbered.
QByteArray value(int j) {
    QByteArray text(kValues[size_t(j % kValueCount)]);
    if (j >= kValueCount)
        text += '.' + QByteArray::number(j / kValueCount);
    return text;
}

// Familiar keys remember a few dozen values; numbered keys, the bulk of a big file, more.
int entriesOf(int section) {
    return section < kFamiliarCount ? 4 + (section * 37) % 60 : 50 + (section * 7919) % 400;
}

QByteArray numberedKey(int index) {
    return 'k' + QByteArray::number(index).rightJustified(6, '0') + '=';
}

} // namespace

QString engineName() {
    return QStringLiteral("Example");
}

QString queryKey() {
    return QStringLiteral("search?");
}

QString engineFileName() {
    return EngineIniFile(engineName()).mid(2); // without "./"
}

QString mainFileName() {
    return QStringLiteral("tarvolin.ini");
}

QString keyName(int index) {
    if (index < kFamiliarCount)
        return QString::fromUtf16(kFamiliarKeys[size_t(index)]);
    return QStringLiteral("k%1=").arg(index);
}

QByteArray mainFileText(int engines) {
    QByteArray text = "[Engine]\n" + engineName().toUtf8() + '=' + queryKey().toUtf8() + '\n';
    for (int i = 2; i <= engines; ++i)
        text += "Engine " + QByteArray::number(i).rightJustified(3, '0') + "=search?\n";
    return text + "[LastUsed]\nengine=" + engineName().toUtf8() +
           "\nquerykey=" + queryKey().toUtf8() + '\n';
}

QByteArray engineFileText(qsizetype bytes) {
    QByteArray text;
    text.reserve(bytes + 256);
    // Section 0 would be "q=", which the program never writes.
    for (int section = 1; text.size() < bytes; ++section) {
        text += '[' + keyName(section).toUtf8() + "]\n";
        const int entries = entriesOf(section);
        for (int j = 0; j < entries && text.size() < bytes; ++j) {
            const QByteArray v = value(j);
            text += v + '=' + v + '\n';
        }
    }
    return text;
}

QByteArray singleSectionText(qsizetype bytes) {
    QByteArray text = "[ved=]\n";
    text.reserve(bytes + 64);
    for (int j = 0; text.size() < bytes; ++j) {
        const QByteArray v = value(j);
        text += v + '=' + v + '\n';
    }
    return text;
}

QByteArray knownNamesText(int names) {
    QByteArray text;
    text.reserve(qsizetype(names) * 24);
    for (int i = 0; i < names; ++i) {
        const QByteArray v = 'v' + QByteArray::number(i);
        text += '[' + numberedKey(i) + "]\n" + v + '=' + v + '\n';
    }
    return text;
}

QStringList sectionNamesOf(const QByteArray &engineFile) {
    QStringList names;
    for (const QByteArray &line : engineFile.split('\n')) {
        if (line.startsWith('[') && line.endsWith(']'))
            names.append(QString::fromUtf8(line.mid(1, line.size() - 2)));
    }
    return names;
}

QString realisticUrl(int pairs, int variant) {
    QString url = QStringLiteral("https://www.example.com/") + queryKey() +
                  QStringLiteral("q=tarvolin+benchmark");
    for (int k = 1; k < pairs; ++k) {
        url += u'&' + keyName(k);
        url += k % 2 ? QString::fromLatin1(value(k + variant))
                     : QStringLiteral("new%1-%2").arg(k).arg(variant);
    }
    return url;
}

QString blockValuesUrl(bool colliding) {
    constexpr int kBlocks = 14; // 2^14 values
    const std::array<int, 3> units = colliding ? std::array{3, 5, 7} : std::array{3, 5, 6};
    QString url = QStringLiteral("https://www.example.com/") + queryKey();
    for (int n = 0; n < (1 << kBlocks); ++n) {
        url += (n > 0 ? QStringLiteral("&") : QString()) + keyName(1);
        QString text(8 * kBlocks, Qt::Uninitialized);
        for (int i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(u'a' + i % 26));
        for (int block = 0; block < kBlocks; ++block) {
            for (const int unit : units) {
                if (n >> block & 1)
                    text[8 * block + unit] =
                        QChar(char16_t(text[8 * block + unit].unicode() | 0x8000));
            }
        }
        url += text;
    }
    return url;
}

QString repeatedNamesUrl(int pairs, int names) {
    QString url = QStringLiteral("https://www.example.com/") + queryKey();
    url.reserve(url.size() + qsizetype(pairs) * 14);
    for (int n = 0; n < pairs; ++n) {
        if (n > 0)
            url += u'&';
        url += keyName(n % names);
        url += u'v';
        url += QString::number(n, 36);
    }
    return url;
}

QString distinctNamesUrl(int pairs) {
    QString url = QStringLiteral("https://www.example.com/") + queryKey();
    url.reserve(url.size() + qsizetype(pairs) * 16);
    for (int i = 0; i < pairs; ++i) {
        if (i > 0)
            url += u'&';
        url += QString::fromLatin1(numberedKey(i));
        url += u'v';
        url += QString::number(i);
    }
    return url;
}

const QByteArray &Corpus::engineFile(qsizetype bytes) {
    auto it = engineFiles_.find(bytes);
    if (it == engineFiles_.end())
        it = engineFiles_.emplace(bytes, engineFileText(bytes)).first;
    return it->second;
}

const QByteArray &Corpus::singleSection(qsizetype bytes) {
    auto it = singleSections_.find(bytes);
    if (it == singleSections_.end())
        it = singleSections_.emplace(bytes, singleSectionText(bytes)).first;
    return it->second;
}

const QByteArray &Corpus::mainFileOfSize(qsizetype bytes) {
    auto it = mainFiles_.find(bytes);
    if (it == mainFiles_.end()) {
        // About 22 bytes per engine line.
        it = mainFiles_.emplace(bytes, mainFileText(int(bytes / 22))).first;
    }
    return it->second;
}

} // namespace tarvolin::bench
