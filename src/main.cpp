#include "engine_dialog/dialog.h"
#include "main_window/frm_main.h"
#include "main_window/prompter.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvolin"));

    // The profile files live in the working directory; no argument is looked at.
    tarvolin::ProfileStore store(QDir::currentPath());
    tarvolin::DesktopUrlOpener opener;
    tarvolin::MessageBoxPrompter prompter;

    tarvolin::frmMain window(store, opener, prompter);
    window.showEngineDialog = tarvolin::openEngineDialog;
    window.show();
    return QApplication::exec();
}
