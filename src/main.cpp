#include "engine_dialog/dialog.h"
#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"
#include "widgets/prompter.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace {

// Where the profile files live. Started from a shell, that is the working folder. The menu
// entry passes --desktop-launch: a menu start runs in the home folder, whose top must not fill
// with profile files, so they go to $XDG_DATA_HOME/tarvolin (~/.local/share/tarvolin), created
// on the first such start.
QString profileFolder(const QStringList &arguments) {
    if (!arguments.contains(QStringLiteral("--desktop-launch"))) {
        return QDir::currentPath();
    }
    // GenericDataLocation is $XDG_DATA_HOME itself; DataLocation would append the
    // organisation and application names.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/tarvolin");
    QDir().mkpath(folder);
    return folder;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvolin"));

    tarvolin::ProfileStore store(profileFolder(QApplication::arguments()));
    tarvolin::DesktopUrlOpener opener;
    tarvolin::MessageBoxPrompter prompter;

    tarvolin::frmMain window(store, opener, prompter);
    window.showEngineDialog = tarvolin::openEngineDialog;
    window.show();
    return QApplication::exec();
}
