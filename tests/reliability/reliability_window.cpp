// The real main window in a process of its own, for the tests that need a second instance, a
// lower privilege or a resource limit. Runs on the platform QT_QPA_PLATFORM names (offscreen).
//
//   reliability_window [--uid N] [--fsize BYTES] [--wait-go] <folder> [step]...
//   steps: --choose <engine>   picks the engine from cmbEngine as a click would
//          --parse <url>       pastes the URL, presses Parse, then New URL
//
// --uid drops to that user and group before anything else (needs root); --fsize limits the size
// of any file the process writes (RLIMIT_FSIZE, with SIGXFSZ ignored so a write fails instead);
// --wait-go prints "ready" and waits for a line on standard input before the window loads, so
// that two instances can be started at the same moment.
//
// After loading and after each step it prints the window as one JSON line: engine, queryKey,
// engines, rows ([name, value, [remembered values]] for each filled row), pool, newUrl. Then it
// closes the window (which saves the engine shown) and prints {"step":"closed"}.
// Exit codes: 0 done, 2 bad arguments, 3 privileges could not be dropped, 4 folder unreachable,
// 5 no such engine to choose.
#include "main_window/frm_main.h"
#include "main_window/prompter.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <csignal>
#include <cstdio>
#include <grp.h>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace tarvolin;

namespace {

class NoOpener final : public UrlOpener {
public:
    void open(const QString &, quintptr) override {}
};

// Never blocks: the missing-query-key question is answered No.
class DecliningPrompter final : public Prompter {
public:
    bool askYesNo(QWidget *, const QString &, const QString &) override { return false; }
    void inform(QWidget *, const QString &, const QString &) override {}
};

QJsonArray entries(const QComboBox *combo) {
    QJsonArray list;
    for (int i = 0; i < combo->count(); ++i)
        list.append(combo->itemText(i));
    return list;
}

void report(const frmMain &w, const QString &step) {
    QJsonArray rows;
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        if (!w.lblKey[i]->text().isEmpty())
            rows.append(QJsonArray{w.lblKey[i]->text(), w.txtKey[i]->text(), entries(w.cmbKey[i])});
    }
    const QJsonObject state{{QStringLiteral("step"), step},
                            {QStringLiteral("engine"), w.txtEngine->text()},
                            {QStringLiteral("queryKey"), w.txtQueryKey->text()},
                            {QStringLiteral("engines"), entries(w.cmbEngine)},
                            {QStringLiteral("rows"), rows},
                            {QStringLiteral("pool"), entries(w.cmbAvailKeys)},
                            {QStringLiteral("newUrl"), w.txtNewURL->text()}};
    std::cout << QJsonDocument(state).toJson(QJsonDocument::Compact).constData() << std::endl;
}

bool dropPrivileges(const char *uidText) {
    const auto id = static_cast<uid_t>(std::stoul(uidText));
    return setgroups(0, nullptr) == 0 && setresgid(id, id, id) == 0 && setresuid(id, id, id) == 0 &&
           geteuid() == id;
}

} // namespace

int main(int argc, char *argv[]) {
    // Limits and identity first: everything after, Qt's start-up included, runs under them.
    int first = 1;
    bool waitGo = false;
    for (; first < argc; ++first) {
        const std::string option = argv[first];
        if (option == "--wait-go") {
            waitGo = true;
        } else if (option == "--uid" && first + 1 < argc) {
            if (!dropPrivileges(argv[++first]))
                return 3;
        } else if (option == "--fsize" && first + 1 < argc) {
            const rlim_t limit = std::stoull(argv[++first]);
            const rlimit fsize{limit, limit};
            std::signal(SIGXFSZ, SIG_IGN);
            if (setrlimit(RLIMIT_FSIZE, &fsize) != 0)
                return 2;
        } else {
            break;
        }
    }
    if (first >= argc)
        return 2;

    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[first]);
    if (!QFileInfo(folder).isDir())
        return 4;
    if (waitGo) {
        std::cout << "ready" << std::endl;
        std::string go;
        std::getline(std::cin, go);
    }

    ProfileStore store(folder);
    NoOpener opener;
    DecliningPrompter prompter;
    frmMain w(store, opener, prompter);
    w.show();
    report(w, QStringLiteral("load"));
    for (int i = first + 1; i + 1 < argc; i += 2) {
        const std::string step = argv[i];
        const QString argument = QString::fromUtf8(argv[i + 1]);
        if (step == "--choose") {
            const int index = w.cmbEngine->findText(argument, Qt::MatchExactly);
            if (index < 0)
                return 5;
            w.cmbEngine->setCurrentIndex(index);
            emit w.cmbEngine->activated(index);
        } else if (step == "--parse") {
            w.txtParseMe->setText(argument);
            w.cmdParse->click();
            w.cmdNewURL->click();
        } else {
            return 2;
        }
        report(w, QString::fromStdString(step.substr(2)));
    }
    w.close();
    std::cout << R"({"step":"closed"})" << std::endl;
    return 0;
}
