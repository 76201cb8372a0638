#include "settings/pop_list_item.h"
#include "settings/profile_reader.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;

class ProfileReaderTest : public QObject {
    Q_OBJECT

private slots:
    void popListItem_takesFirstItem_data();
    void popListItem_takesFirstItem();
    void readList_emptyNameBetween_givesOnlyTheNames();
    void readValue_longValue_arrivesWhole_data();
    void readValue_longValue_arrivesWhole();
    void readEntryNames_fiveThousandValues_allListedWhole();
    void readSectionNames_manySections_allListedWhole();
};

void ProfileReaderTest::popListItem_takesFirstItem_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("rest");
    const QChar nul(u'\0');
    QTest::newRow("first of two") << QString("abc") + nul + "def" + nul << "abc"
                                  << QString("def") + nul;
    QTest::newRow("empty first item") << QString(nul) + "x" + nul << "" << QString("x") + nul;
    QTest::newRow("no NUL leaves the list") << "abc"
                                            << ""
                                            << "abc";
    QTest::newRow("empty list") << ""
                                << ""
                                << "";
    QTest::newRow("last item") << QString("z") + nul << "z"
                               << "";
}

void ProfileReaderTest::popListItem_takesFirstItem() {
    QFETCH(QString, list);
    QFETCH(QString, item);
    QFETCH(QString, rest);
    QCOMPARE(PopListItem(list), item);
    QCOMPARE(list, rest);
}

void ProfileReaderTest::readList_emptyNameBetween_givesOnlyTheNames() {
    QTemporaryDir dir;
    QVERIFY(test::putFile(dir.filePath("e.ini"), "[s]\na=a\n=\nb=b\n"));
    ProfileStore store(dir.path());
    QCOMPARE(ReadProfileEntryNames(store, "s", "./e.ini"), QStringList({"a", "b"}));
}

void ProfileReaderTest::readValue_longValue_arrivesWhole_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("2047 characters, the classic limit") << 2047;
    QTest::newRow("2048 characters") << 2048;
    QTest::newRow("4095 characters, one short of a doubled buffer") << 4095;
    QTest::newRow("100,000 characters") << 100000;
}

void ProfileReaderTest::readValue_longValue_arrivesWhole() {
    QFETCH(int, length);
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    QString value;
    for (int i = 0; i < length; ++i)
        value += QChar(u'a' + i % 26);
    QVERIFY(store.WritePrivateProfileString("k=", value, value, "./e.ini"));
    QCOMPARE(ReadProfileValue(store, "k=", value, "./e.ini"), value);
    QCOMPARE(ReadProfileEntryNames(store, "k=", "./e.ini"), QStringList({value}));
}

void ProfileReaderTest::readEntryNames_fiveThousandValues_allListedWhole() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    QStringList values;
    {
        ProfileStore::Group group(store);
        for (int i = 0; i < 5000; ++i) {
            values.append(QStringLiteral("%1").arg(i, 60, 10, QChar(u'0')));
            QVERIFY(store.WritePrivateProfileString("v=", values.last(), values.last(), "./e.ini"));
        }
    }
    QCOMPARE(ReadProfileEntryNames(store, "v=", "./e.ini"), values);
}

void ProfileReaderTest::readSectionNames_manySections_allListedWhole() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    QStringList sections;
    {
        ProfileStore::Group group(store);
        for (int i = 0; i < 1000; ++i) {
            sections.append(QStringLiteral("key%1=").arg(i));
            QVERIFY(store.WritePrivateProfileString(sections.last(), "v", "v", "./e.ini"));
        }
    }
    QCOMPARE(ReadProfileSectionNames(store, "./e.ini"), sections);
}

QTEST_GUILESS_MAIN(ProfileReaderTest)
#include "profile_reader_test.moc"
