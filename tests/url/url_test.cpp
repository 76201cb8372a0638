// The url library's pieces with exact expectations the window tests and the
// fuzz corpora cannot give: case folding that changes length, the Windows-1252
// table, UTF-8 runs, decoding in place, the engine a URL suggests. The opener is in the e2e test.
#include "url/decode_hex.h"
#include "url/engine_suggestion.h"
#include "url/query_split.h"

#include <QTest>

using namespace tarvolin;

class UrlTest : public QObject {
    Q_OBJECT

private slots:
    void findQueryKey_ignoresCaseAndReportsOriginalPosition_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("key");
        QTest::addColumn<qsizetype>("position");
        // clang-format off
        QTest::newRow("other ASCII case") << u"x/query?a=1"_qs << u"Query?"_qs << qsizetype(3);
        QTest::newRow("letter outside BMP") << u"a/\U00010400?b"_qs << u"\U00010428?"_qs << qsizetype(3);
        QTest::newRow("sharp s before key keeps position") << u"straße/QUERY?x"_qs << u"query?"_qs << qsizetype(8);
        QTest::newRow("key twice, first counts") << u"a/q?x=Q?&y"_qs << u"Q?"_qs << qsizetype(3);
        QTest::newRow("missing") << u"x/search?a=1"_qs << u"query?"_qs << qsizetype(0);
        QTest::newRow("key longer than url") << u"q?"_qs << u"query?"_qs << qsizetype(0);
        QTest::newRow("empty key") << u"x/p?a=1"_qs << QString() << qsizetype(1);
        QTest::newRow("empty key in empty url") << QString() << QString() << qsizetype(1);
        // clang-format on
    }

    void findQueryKey_ignoresCaseAndReportsOriginalPosition() {
        QFETCH(QString, url);
        QFETCH(QString, key);
        QFETCH(qsizetype, position);
        QCOMPARE(FindQueryKey(url, key), position);
    }

    void decodeHex_readsUtf8RunsAndOtherBytesOneEach_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("decoded");
        const QChar nul(u'\0');
        const QString lone(QChar(0xD800));
        // clang-format off
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no escape, plus and non-ASCII unchanged") << u"a+b/ä"_qs << u"a+b/ä"_qs;
        QTest::newRow("either case of digits") << u"a%2fb%2F%20"_qs << u"a/b/ "_qs;
        QTest::newRow("percent at end gives NUL") << u"100%"_qs << u"100"_qs + nul;
        QTest::newRow("one digit at end") << u"x%4"_qs << u"x"_qs + QChar(4);
        QTest::newRow("digits read up to a non-digit") << u"%zz|%2z|% F|%%41"_qs << nul + u"|"_qs + QChar(2) + u"|"_qs + nul + u"|"_qs + nul + u"1"_qs;
        QTest::newRow("NUL escape in the middle") << u"a%00b"_qs << u"a"_qs + nul + u"b"_qs;
        QTest::newRow("0x80-0x9F as Windows-1252") << u"%80%9f%8C%81"_qs << u"\u20AC\u0178\u0152\u0081"_qs;
        QTest::newRow("UTF-8 of two, three, four bytes") << u"%C3%a9t%E2%82%AC%F0%9F%98%80"_qs << u"ét€\U0001F600"_qs;
        QTest::newRow("run cut in the middle, or by a plain character") << u"%E2%82|%C3x%A9"_qs << u"\u00E2\u201A|\u00C3x\u00A9"_qs;
        QTest::newRow("invalid lead, overlong, surrogate") << u"%FF%41%C0%AF%ED%A0%80"_qs << u"\u00FFA\u00C0\u00AF\u00ED\u00A0\u20AC"_qs;
        QTest::newRow("8-bit escape alone, %2B and +") << u"caf%E9%2B+"_qs << u"café++"_qs;
        QTest::newRow("Arabic-Indic digit is no digit") << u"%\u0662F"_qs << QString(nul);
        QTest::newRow("surrogate pair copied whole") << u"a\U0001F600b"_qs << u"a\U0001F600b"_qs;
        QTest::newRow("surrogate pair is one escape character") << u"%\U0001F600xy|%4\U0001F600z"_qs << nul + u"y|"_qs + QChar(4) + u"z"_qs;
        QTest::newRow("lone surrogate copied") << lone + u"%41"_qs << lone + u"A"_qs;
        // clang-format on
    }

    void decodeHex_readsUtf8RunsAndOtherBytesOneEach() {
        QFETCH(QString, input);
        QFETCH(QString, decoded);
        QString output = u"left over"_qs;
        DecodeHex(input, output);
        QCOMPARE(output, decoded);
        // The program decodes a text into itself: the output must not overwrite
        // unread input.
        DecodeHex(input, input);
        QCOMPARE(input, decoded);
    }

    void suggestEngine_hostAndPathOfUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("suggested");
        // clang-format off
        QTest::newRow("www. dropped, path as spelled, '?' in the query") << u" https://www.Example.org/Find/Web?q=?a "_qs << u"example.org|/Find/Web?"_qs;
        QTest::newRow("user, password and port left out") << u"s+v-1.2://u:p@w@WWW.h.io:8080/s?x"_qs << u"h.io|/s?"_qs;
        QTest::newRow("IPv6 keeps its colons") << u"http://[::1]:80?x"_qs << u"[::1]|?"_qs;
        QTest::newRow("no query") << u"https://h.net/p"_qs << u"h.net|"_qs;
        QTest::newRow("'?' in the fragment only") << u"https://h.net/p#x?y"_qs << u"h.net|"_qs;
        QTest::newRow("no scheme") << u"www.h.net/1http://h/p?x"_qs << u"|"_qs;
        QTest::newRow("blank in the scheme") << u"say http://h/p?x"_qs << u"|"_qs;
        // clang-format on
    }

    void suggestEngine_hostAndPathOfUrl() {
        QFETCH(QString, url);
        QFETCH(QString, suggested);
        const EngineSuggestion suggestion = SuggestEngine(url);
        QCOMPARE(suggestion.engine + u'|' + suggestion.queryKey, suggested);
    }
};

QTEST_GUILESS_MAIN(UrlTest)
#include "url_test.moc"
