// A copy of the program's store in a process of its own, for the crash and race tests.
//
//   reliability_writer crash <folder> <run> <seed>
//       Writes into ./crash.ini without end, in batches: one single write, or a ProfileStore::Group
//       of 2-8 writes. Each write goes to one of four sections; its key is new ("r<run>-<n>") or,
//       one time in four, a key this run wrote before; its value is new ("v<run>-<n>"). Before a
//       batch it prints "+\t<section>\t<key>\t<value>" per write, and "=" once the batch has
//       returned, each batch's lines in one write(2) so a kill never cuts a line.
//   reliability_writer race <folder> <prefix> <count> <seed>
//       Writes <count> values "<prefix><n>" (entry name and value alike, as the window remembers
//       values) into five key-name sections of ./Altavista.ini, in Groups of 1-20 writes with a
//       pause of up to 2 ms between them. Prints the number of groups.
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

int crash(const QString &folder, const QString &run, std::mt19937 &random) {
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
            Write w{kSections[int(random() % 4)], QString(),
                    QStringLiteral("v%1-%2").arg(run).arg(n)};
            w.key = !keys.isEmpty() && random() % 4 == 0 ? keys[int(random() % keys.size())]
                                                         : QStringLiteral("r%1-%2").arg(run).arg(n);
            keys.append(w.key);
            intents += ("+\t" + w.section + '\t' + w.key + '\t' + w.value + '\n').toUtf8();
            batch.push_back(std::move(w));
        }
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

int race(const QString &folder, const QString &prefix, int count, std::mt19937 &random) {
    static const QStringList kKeyNames{"hl=", "num=", "lr=", "safe=", "start="};
    ProfileStore store(folder);
    const QString path = QStringLiteral("./Altavista.ini");
    int groups = 0;
    for (int n = 0; n < count; ++groups) {
        // Between two handlers the program returns to its event loop: a pause of up to 2 ms,
        // far shorter than any user's, lets the other writers' lock attempts in. (Without it a
        // writer looping straight back into the lock can keep another out past its timeout.)
        if (groups > 0)
            QThread::usleep(random() % 2000);
        ProfileStore::Group group(store);
        const int size = int(1 + random() % 20);
        for (int i = 0; i < size && n < count; ++i, ++n) {
            const QString value = prefix + QString::number(n);
            if (!store.WritePrivateProfileString(kKeyNames[int(random() % kKeyNames.size())], value,
                                                 value, path))
                return 1;
        }
    }
    return writeAll(QByteArray::number(groups) + '\n') ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == u"crash") {
        std::mt19937 random(args[4].toUInt());
        return crash(args[2], args[3], random);
    }
    if (args.size() == 6 && args[1] == u"race") {
        std::mt19937 random(args[5].toUInt());
        return race(args[2], args[3], args[4].toInt(), random);
    }
    return 2;
}
