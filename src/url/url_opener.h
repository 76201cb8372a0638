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

// True for the only texts Launch URL hands on: an absolute http:// or https:// address (the
// scheme in any case) with something after the "//". A file path, a UNC share, file:, smb:,
// javascript: and every other scheme would reach a handler that runs or opens local files.
bool IsWebAddress(QStringView text);

// The real opener: xdg-open on Linux and other Unix desktops, "open" on macOS, both started
// with an argument list and never through a shell; ShellExecuteW with "open" on Windows.
// The text is passed on exactly as given (no URL re-encoding, unlike QDesktopServices); the
// result is ignored, and a text that is not IsWebAddress starts nothing, on every platform. A text
// beginning with "-" may be taken as an option by xdg-open or open, which then refuse it: the same
// outcome as any other text the desktop cannot open.
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QString &url, quintptr ownerWindow) override;
};

} // namespace tarvolin
