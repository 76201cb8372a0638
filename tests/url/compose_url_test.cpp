#include "url/compose_url.h"

#include <QTest>

using namespace tarvolin;

class ComposeUrlTest : public QObject {
    Q_OBJECT

private slots:
    void composeUrl_joinsCompleteRowsAfterBase_data();
    void composeUrl_joinsCompleteRowsAfterBase();
};

void ComposeUrlTest::composeUrl_joinsCompleteRowsAfterBase_data() {
    QTest::addColumn<QString>("base");
    // Parallel lists: row i has key name names[i] and value values[i].
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("url");

    QStringList twentyNames(20);
    QStringList twentyValues(20);
    twentyNames[3] = u"a="_qs;
    twentyValues[3] = u"1"_qs;
    twentyNames[12] = u"b="_qs;
    twentyValues[12] = u"2"_qs;

    QTest::newRow("no rows") << u"x/q?"_qs << QStringList() << QStringList() << u"x/q?"_qs;
    QTest::newRow("no complete row adds nothing") << u"x/q?"_qs << QStringList{u"a="_qs, QString()}
                                                  << QStringList{QString(), u"v"_qs} << u"x/q?"_qs;
    QTest::newRow("single row has no ampersand")
        << u"x/q?"_qs << QStringList{u"q="_qs} << QStringList{u"test"_qs} << u"x/q?q=test"_qs;
    QTest::newRow("rows 3 and 12 of 20")
        << u"x/q?"_qs << twentyNames << twentyValues << u"x/q?a=1&b=2"_qs;
    QTest::newRow("incomplete rows between leave no trace")
        << u"x/q?"_qs << QStringList{u"a="_qs, u"b="_qs, QString(), u"d="_qs}
        << QStringList{u"1"_qs, QString(), u"3"_qs, u"4"_qs} << u"x/q?a=1&d=4"_qs;
    QTest::newRow("value inserted verbatim")
        << u"x/q?"_qs << QStringList{u"v="_qs, u"w="_qs} << QStringList{u"a&b=c %20d+"_qs, u"%"_qs}
        << u"x/q?v=a&b=c %20d+&w=%"_qs;
    QTest::newRow("blanks count as present")
        << u"x/q?"_qs << QStringList{u" "_qs} << QStringList{u" "_qs} << u"x/q?  "_qs;
    QTest::newRow("empty base") << QString() << QStringList{u"a="_qs, u"b="_qs}
                                << QStringList{u"1"_qs, u"2"_qs} << u"a=1&b=2"_qs;
    QTest::newRow("key name without equals used as shown")
        << u"x/q?"_qs << QStringList{u"abc"_qs} << QStringList{u"d"_qs} << u"x/q?abcd"_qs;
}

void ComposeUrlTest::composeUrl_joinsCompleteRowsAfterBase() {
    QFETCH(QString, base);
    QFETCH(QStringList, names);
    QFETCH(QStringList, values);
    QFETCH(QString, url);

    std::vector<ComposeRow> rows;
    for (qsizetype i = 0; i < names.size(); ++i)
        rows.push_back({names.at(i), values.at(i)});
    QCOMPARE(ComposeUrl(base, rows), url);
}

QTEST_GUILESS_MAIN(ComposeUrlTest)
#include "compose_url_test.moc"
