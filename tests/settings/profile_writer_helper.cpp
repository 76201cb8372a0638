// Stands in for a second copy of the program in the lock tests.
//   profile_writer_helper write <folder> <prefix> <count>: writes count distinct values into
//       section "values" of ./shared.ini, one locked write each; exit code 1 if one failed.
#include "settings/profile_store.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5 || args[1] != QStringLiteral("write"))
        return 2;
    tarvolin::ProfileStore store(args[2]);
    const int count = args[4].toInt();
    for (int i = 0; i < count; ++i) {
        const QString value = args[3] + QString::number(i);
        if (!store.WritePrivateProfileString(QStringLiteral("values"), value, value,
                                             QStringLiteral("./shared.ini")))
            return 1;
    }
    return 0;
}
