#include "url/url_opener.h"

#include <QStringList>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <QProcess>
#endif

namespace tarvolin {

bool IsWebAddress(QStringView text) {
    for (const QStringView scheme : {u"http://", u"https://"})
        if (text.size() > scheme.size() && text.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    return false;
}

void DesktopUrlOpener::open(const QString &url, quintptr ownerWindow) {
    if (!IsWebAddress(url))
        return;
#ifdef Q_OS_WIN
    // The wide variant keeps characters outside the ANSI code page intact.
    ShellExecuteW(reinterpret_cast<HWND>(ownerWindow), L"open",
                  reinterpret_cast<LPCWSTR>(url.utf16()), nullptr, nullptr, SW_SHOWNORMAL);
#else
    Q_UNUSED(ownerWindow);
    // An argument list, never a shell line: "$(...)", quotes and ";" reach the opener as
    // plain characters. QDesktopServices is avoided because QUrl re-encodes '%2f' as '%2F'.
#ifdef Q_OS_MACOS
    const QString program = QStringLiteral("open");
#else
    const QString program = QStringLiteral("xdg-open");
#endif
    QProcess::startDetached(program, QStringList{url});
#endif
}

} // namespace tarvolin
