#include "url/query_split.h"

#include <QTest>

using namespace tarvolin;

namespace {

QStringList ToList(const std::vector<QStringView> &views) {
    QStringList list;
    for (QStringView view : views)
        list.append(view.toString());
    return list;
}

} // namespace

class QuerySplitTest : public QObject {
    Q_OBJECT

private slots:
    void findQueryKey_ignoresCaseAndReportsOriginalPosition_data();
    void findQueryKey_ignoresCaseAndReportsOriginalPosition();
    void parse_urlAndKey_givesBaseAndEveryPair_data();
    void parse_urlAndKey_givesBaseAndEveryPair();
    void splitKeyPair_cutsAfterFirstEquals_data();
    void splitKeyPair_cutsAfterFirstEquals();
    void splitPairs_manyPairs_keepsEveryPiece();
};

void QuerySplitTest::findQueryKey_ignoresCaseAndReportsOriginalPosition_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("key");
    QTest::addColumn<qsizetype>("position");

    QTest::newRow("same case") << u"x/query?a=1"_qs << u"query?"_qs << qsizetype(3);
    QTest::newRow("other ASCII case") << u"x/query?a=1"_qs << u"Query?"_qs << qsizetype(3);
    QTest::newRow("accented letters") << u"x/QUÉRY?a"_qs << u"quéry?"_qs << qsizetype(3);
    QTest::newRow("Greek final sigma") << u"/ΑΣ?x"_qs << u"ας?"_qs << qsizetype(2);
    QTest::newRow("letter outside BMP")
        << u"a/\U00010400?b"_qs << u"\U00010428?"_qs << qsizetype(3);
    QTest::newRow("sharp s before key keeps position")
        << u"straße/QUERY?x"_qs << u"query?"_qs << qsizetype(8);
    QTest::newRow("key twice, first counts") << u"a/q?x=Q?&y"_qs << u"Q?"_qs << qsizetype(3);
    QTest::newRow("missing") << u"x/search?a=1"_qs << u"query?"_qs << qsizetype(0);
    QTest::newRow("key longer than url") << u"q?"_qs << u"query?"_qs << qsizetype(0);
    QTest::newRow("empty key") << u"x/p?a=1"_qs << QString() << qsizetype(1);
    QTest::newRow("empty key in empty url") << QString() << QString() << qsizetype(1);
    QTest::newRow("key in empty url") << QString() << u"q?"_qs << qsizetype(0);
}

void QuerySplitTest::findQueryKey_ignoresCaseAndReportsOriginalPosition() {
    QFETCH(QString, url);
    QFETCH(QString, key);
    QFETCH(qsizetype, position);

    QCOMPARE(FindQueryKey(url, key), position);
}

void QuerySplitTest::parse_urlAndKey_givesBaseAndEveryPair_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("pairs");

    QTest::newRow("three pairs, key in other case")
        << u"x/query?pg=q&kl=XX&q=test"_qs << u"Query?"_qs << u"x/query?"_qs
        << QStringList{u"pg=q"_qs, u"kl=XX"_qs, u"q=test"_qs};
    QTest::newRow("url ends after key")
        << u"x/q?"_qs << u"q?"_qs << u"x/q?"_qs << QStringList{QString()};
    QTest::newRow("trailing ampersand")
        << u"x/q?a=1&"_qs << u"q?"_qs << u"x/q?"_qs << QStringList{u"a=1"_qs, QString()};
    QTest::newRow("double ampersand") << u"x/q?a=1&&b=2"_qs << u"q?"_qs << u"x/q?"_qs
                                      << QStringList{u"a=1"_qs, QString(), u"b=2"_qs};
    QTest::newRow("only an ampersand")
        << u"x/q?&"_qs << u"q?"_qs << u"x/q?"_qs << QStringList{QString(), QString()};
    QTest::newRow("fragment stays in its pair") << u"x/q?a=1&b=2#top&c"_qs << u"q?"_qs << u"x/q?"_qs
                                                << QStringList{u"a=1"_qs, u"b=2#top"_qs, u"c"_qs};
    QTest::newRow("second key occurrence is value")
        << u"x/q?a=q?&b"_qs << u"Q?"_qs << u"x/q?"_qs << QStringList{u"a=q?"_qs, u"b"_qs};
    QTest::newRow("empty key cuts the whole url")
        << u"x/p?a=1&b=2"_qs << QString() << QString() << QStringList{u"x/p?a=1"_qs, u"b=2"_qs};
    QTest::newRow("escapes and plus kept")
        << u"x/q?v=a%20b+c"_qs << u"q?"_qs << u"x/q?"_qs << QStringList{u"v=a%20b+c"_qs};
}

// Drives the pieces the way the Parse button does: find, cut the base, split the rest.
void QuerySplitTest::parse_urlAndKey_givesBaseAndEveryPair() {
    QFETCH(QString, url);
    QFETCH(QString, key);
    QFETCH(QString, base);
    QFETCH(QStringList, pairs);

    const qsizetype position = FindQueryKey(url, key);
    QVERIFY(position > 0);
    const qsizetype baseLength = position + key.size() - 1;
    QCOMPARE(url.left(baseLength), base);
    QCOMPARE(ToList(SplitPairs(QStringView(url).sliced(baseLength))), pairs);
}

void QuerySplitTest::splitKeyPair_cutsAfterFirstEquals_data() {
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("keyName");
    QTest::addColumn<QString>("value");

    QTest::newRow("name and value") << u"pg=q"_qs << u"pg="_qs << u"q"_qs;
    QTest::newRow("later equals belong to value") << u"a=b=c"_qs << u"a="_qs << u"b=c"_qs;
    QTest::newRow("no equals: all value") << u"abc"_qs << QString() << u"abc"_qs;
    QTest::newRow("empty value") << u"q="_qs << u"q="_qs << QString();
    QTest::newRow("empty name") << u"=v"_qs << u"="_qs << u"v"_qs;
    QTest::newRow("empty pair") << QString() << QString() << QString();
    QTest::newRow("blanks kept") << u" a = b "_qs << u" a ="_qs << u" b "_qs;
}

void QuerySplitTest::splitKeyPair_cutsAfterFirstEquals() {
    QFETCH(QString, pair);
    QFETCH(QString, keyName);
    QFETCH(QString, value);

    const KeyPair split = SplitKeyPair(pair);
    QCOMPARE(split.keyName.toString(), keyName);
    QCOMPARE(split.value.toString(), value);
}

void QuerySplitTest::splitPairs_manyPairs_keepsEveryPiece() {
    // 100,000 pairs of about 20 characters: a quadratic split would stall here.
    constexpr int count = 100000;
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected.append(u"key%1=value%2"_qs.arg(i).arg(i * 7));
    const QString text = expected.join(u'&');

    QCOMPARE(ToList(SplitPairs(text)), expected);
}

QTEST_GUILESS_MAIN(QuerySplitTest)
#include "query_split_test.moc"
