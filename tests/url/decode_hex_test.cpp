#include "url/decode_hex.h"

#include <QTest>

using namespace tarvolin;

class DecodeHexTest : public QObject {
    Q_OBJECT

private slots:
    void decodeHex_givesOneCharacterPerEscape_data();
    void decodeHex_givesOneCharacterPerEscape();
    void decodeHex_intoInput_replacesInput();
};

void DecodeHexTest::decodeHex_givesOneCharacterPerEscape_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");

    const QChar nul(u'\0');
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("no escape unchanged") << u"plain text/ä"_qs << u"plain text/ä"_qs;
    QTest::newRow("space") << u"a%20b"_qs << u"a b"_qs;
    QTest::newRow("lower-case digits") << u"%2f"_qs << u"/"_qs;
    QTest::newRow("upper-case digits") << u"%2F"_qs << u"/"_qs;
    QTest::newRow("plus stays plus") << u"a+b"_qs << u"a+b"_qs;
    QTest::newRow("percent at end gives NUL") << u"100%"_qs << u"100"_qs + nul;
    QTest::newRow("one digit at end") << u"x%4"_qs << u"x"_qs + QChar(4);
    QTest::newRow("no digit") << u"%zz"_qs << QString(nul);
    QTest::newRow("digit then non-digit") << u"%2z"_qs << QString(QChar(2));
    QTest::newRow("percent inside escape starts nothing") << u"%%41"_qs << nul + u"1"_qs;
    QTest::newRow("blank after percent not skipped") << u"% F"_qs << QString(nul);
    QTest::newRow("NUL escape in the middle") << u"a%00b"_qs << u"a"_qs + nul + u"b"_qs;
    QTest::newRow("UTF-8 bytes stay separate") << u"%C3%A9"_qs << u"\u00C3\u00A9"_qs;
    QTest::newRow("0x80 is euro sign") << u"%80"_qs << u"\u20AC"_qs;
    QTest::newRow("0x9F is Y diaeresis") << u"%9f"_qs << u"\u0178"_qs;
    QTest::newRow("0xE9 is e acute") << u"%E9"_qs << u"\u00E9"_qs;
    QTest::newRow("unassigned 0x81 keeps its number") << u"%81"_qs << u"\u0081"_qs;
    QTest::newRow("0xFF") << u"%FF"_qs << u"\u00FF"_qs;
    QTest::newRow("Arabic-Indic digit is no digit") << u"%\u0662F"_qs << QString(nul);
    QTest::newRow("surrogate pair copied whole") << u"a\U0001F600b"_qs << u"a\U0001F600b"_qs;
    QTest::newRow("surrogate pair is one escape character") << u"%\U0001F600xy"_qs << nul + u"y"_qs;
    QTest::newRow("surrogate pair after a digit") << u"%4\U0001F600z"_qs << QChar(4) + u"z"_qs;
    QTest::newRow("lone surrogate copied")
        << QString(QChar(0xD800)) + u"%41"_qs << QString(QChar(0xD800)) + u"A"_qs;
}

void DecodeHexTest::decodeHex_givesOneCharacterPerEscape() {
    QFETCH(QString, input);
    QFETCH(QString, decoded);

    QString output = u"left over"_qs;
    DecodeHex(input, output);
    QCOMPARE(output, decoded);
}

void DecodeHexTest::decodeHex_intoInput_replacesInput() {
    QString text = u"a%2Fb%"_qs;
    DecodeHex(text, text);
    QCOMPARE(text, u"a/b"_qs + QChar(u'\0'));
}

QTEST_GUILESS_MAIN(DecodeHexTest)
#include "decode_hex_test.moc"
