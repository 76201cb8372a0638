#include "engine_dialog/dialog.h"
#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"
#include "widgets/prompter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

// Where the profile files live. Started from a shell, that is the working folder. The menu
// entry passes --desktop-launch: a menu start runs in the home folder, whose top must not fill
// with profile files, so they go to $XDG_DATA_HOME/tarvolin (~/.local/share/tarvolin), created
// on the first such start.
QString profileFolder(bool desktopLaunch) {
    if (!desktopLaunch) {
        return QDir::currentPath();
    }
    // GenericDataLocation is $XDG_DATA_HOME itself; DataLocation would append the
    // organisation and application names.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/tarvolin");
    QDir().mkpath(folder);
    return folder;
}

struct CommandLine {
    bool desktopLaunch = false;
    QString url;
};

void print(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// `tarvolin [--desktop-launch] [URL]`. Read before any window exists, so --help, --version and
// a mistake work without a display and touch no file. Returns the exit code when the program
// should end at once.
std::optional<int> parseCommandLine(int argc, char *argv[], CommandLine &line) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Take search-engine query URLs apart, edit them, put them back together."));
    // Not addHelpOption(): its --help-all lists Qt's own options, which this line refuses.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption desktopLaunch(
        QStringLiteral("desktop-launch"),
        QStringLiteral("Keep the profile files in $XDG_DATA_HOME/tarvolin (the menu entry's)."));
    parser.addOption(desktopLaunch);
    parser.addPositionalArgument(QStringLiteral("URL"),
                                 QStringLiteral("A URL to put in the URL box and parse."),
                                 QStringLiteral("[URL]"));
    // Without an application object the usage line would name "<executable_name>".
    const QString usage = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                    QFileInfo(arguments.value(0)).fileName());
    if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("Too many arguments: one URL at most.")
                                  : parser.errorText();
        print(stderr, error + u'\n' + usage);
        return 2;
    }
    if (parser.isSet(help)) {
        print(stdout, usage);
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QCoreApplication::applicationName() + u' ' +
                          QCoreApplication::applicationVersion() + u'\n');
        return 0;
    }
    line.desktopLaunch = parser.isSet(desktopLaunch);
    line.url = parser.positionalArguments().value(0);
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Tarvolin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVOLIN_VERSION));
    CommandLine line;
    if (const std::optional<int> exitCode = parseCommandLine(argc, argv, line)) {
        return *exitCode;
    }
    QApplication app(argc, argv);

    tarvolin::ProfileStore store(profileFolder(line.desktopLaunch));
    tarvolin::DesktopUrlOpener opener;
    tarvolin::MessageBoxPrompter prompter;

    tarvolin::frmMain window(store, opener, prompter);
    window.showEngineDialog = tarvolin::openEngineDialog;
    window.show();
    // After start-up, as if pasted and parsed: a missing query key asks over the shown window.
    if (!line.url.isEmpty()) {
        window.openUrl(line.url);
    }
    return QApplication::exec();
}
