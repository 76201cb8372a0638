#include "url/url_opener.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;

class UrlOpenerTest : public QObject {
    Q_OBJECT

private slots:
    void open_text_reachesOpenerAsOneUnchangedArgument_data();
    void open_text_reachesOpenerAsOneUnchangedArgument();
};

void UrlOpenerTest::open_text_reachesOpenerAsOneUnchangedArgument_data() {
    QTest::addColumn<QString>("url");

    QTest::newRow("escape not re-encoded") << u"https://example.org/q?path=a%2fb&x=%7e"_qs;
    QTest::newRow("spaces and quotes") << u"http://h/q?v=a b \"c\" 'd'"_qs;
    QTest::newRow("shell syntax") << u"http://h/q?v=$(echo a);true|cat>b`echo c`&w=1"_qs;
    QTest::newRow("non-ASCII") << u"http://h/q?v=é€\U0001F600"_qs;
    QTest::newRow("backslash and glob") << u"http://h/q?v=a\\b*?[c]"_qs;
}

// A fake xdg-open first on PATH records what it received, so the exact bytes can be compared.
void UrlOpenerTest::open_text_reachesOpenerAsOneUnchangedArgument() {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    QSKIP("The recording fake opener is an xdg-open script");
#endif
    QFETCH(QString, url);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString countFile = dir.filePath(u"count"_qs);
    const QString argFile = dir.filePath(u"arg"_qs);
    // The count file appears last, by rename, so its presence means both files are complete.
    const QString script = u"#!/bin/sh\n"
                           "printf '%s' \"$1\" > '%1.tmp'\n"
                           "mv '%1.tmp' '%1'\n"
                           "printf '%s' \"$#\" > '%2.tmp'\n"
                           "mv '%2.tmp' '%2'\n"_qs.arg(argFile, countFile);
    QFile fake(dir.filePath(u"xdg-open"_qs));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write(script.toUtf8());
    fake.close();
    QVERIFY(fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + oldPath);
    // Should the text ever reach a shell, its side effects land in the scratch folder.
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    DesktopUrlOpener().open(url, 0);
    QDir::setCurrent(oldCurrent);
    qputenv("PATH", oldPath);

    QTRY_VERIFY(QFile::exists(countFile));
    QFile count(countFile);
    QVERIFY(count.open(QIODevice::ReadOnly));
    QCOMPARE(count.readAll(), QByteArray("1"));
    QFile arg(argFile);
    QVERIFY(arg.open(QIODevice::ReadOnly));
    QCOMPARE(arg.readAll(), url.toUtf8());
}

QTEST_GUILESS_MAIN(UrlOpenerTest)
#include "url_opener_test.moc"
