// A copy of the program's store in a process of its own, for the crash test.
//
//   reliability_writer crash <folder> <run> <seed> [<section>]
//       Writes into ./crash.ini without end, in batches: one single write, or a ProfileStore::Group
//       of 2-8 writes. Each write goes to one of four sections, or to <section> when given; its key
//       is new ("r<run>-<n>") or, one time in four, a key this run wrote before; its value is new
//       ("v<run>-<n>"). Before a batch it prints "+\t<section>\t<key>\t<value>" per write, and "="
//       once the batch has returned, each batch's lines in one write(2) so a kill never cuts a
//       line. With <section> it pauses up to 2 ms between batches, as the event loop does between
//       two handlers: a writer looping straight back into the lock could keep others out.
// Exit code 1 when a write reports failure, 2 on bad arguments.
#include "settings/profile_store.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <random>
#include <unistd.h>

using tarvolin::ProfileStore;

namespace {

bool writeAll(const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

int crash(const QString &folder, const QString &run, const QString &only, std::mt19937 &random) {
    static const QStringList kSections{"alpha", "beta", "gamma", "delta"};
    ProfileStore store(folder);
    const QString path = QStringLiteral("./crash.ini");
    QStringList keys;
    for (int n = 0;;) {
        const int writes = random() % 2 ? 1 : int(2 + random() % 7);
        struct Write {
            QString section, key, value;
        };
        std::vector<Write> batch;
        QByteArray intents;
        for (int i = 0; i < writes; ++i, ++n) {
            Write w{only.isEmpty() ? kSections[int(random() % 4)] : only, QString(),
                    QStringLiteral("v%1-%2").arg(run).arg(n)};
            w.key = !keys.isEmpty() && random() % 4 == 0 ? keys[int(random() % keys.size())]
                                                         : QStringLiteral("r%1-%2").arg(run).arg(n);
            keys.append(w.key);
            intents += ("+\t" + w.section + '\t' + w.key + '\t' + w.value + '\n').toUtf8();
            batch.push_back(std::move(w));
        }
        if (!only.isEmpty())
            QThread::usleep(random() % 2000);
        if (!writeAll(intents))
            return 1;
        bool ok = true;
        if (writes == 1) {
            ok = store.WritePrivateProfileString(batch[0].section, batch[0].key, batch[0].value,
                                                 path);
        } else {
            ProfileStore::Group group(store);
            for (const Write &w : batch)
                ok = store.WritePrivateProfileString(w.section, w.key, w.value, path) && ok;
        }
        if (!ok || !writeAll("=\n"))
            return 1;
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if ((args.size() == 5 || args.size() == 6) && args[1] == u"crash") {
        std::mt19937 random(args[4].toUInt());
        return crash(args[2], args[3], args.value(5), random);
    }
    return 2;
}
