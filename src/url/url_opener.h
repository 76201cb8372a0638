#pragma once

#include <QString>
#include <QtGlobal>

namespace tarvolin {

// Hands a text to the desktop's opener with the meaning "open". The result is not reported.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // ownerWindow is the native handle of the window asking (0 when there is none).
    virtual void open(const QString &url, quintptr ownerWindow) = 0;
};

// The real opener: xdg-open on Linux and other Unix desktops, "open" on macOS, both started
// with an argument list and never through a shell; ShellExecuteW with "open" on Windows.
// The text is passed on exactly as given (no URL re-encoding).
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QString &url, quintptr ownerWindow) override;
};

} // namespace tarvolin
