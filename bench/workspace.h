#pragma once

// A working folder with its profile store and silent stand-ins for the desktop, plus the few
// measurements every case needs (first paint, peak memory).

#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"
#include "widgets/prompter.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tarvolin::bench {

class SilentOpener final : public UrlOpener {
public:
    void open(const QString &, quintptr) override {}
};

// Answers No, so a benchmark never changes what it measures by clearing the URL.
class SilentPrompter final : public Prompter {
public:
    bool askYesNo(QWidget *, const QString &, const QString &) override { return false; }
    void inform(QWidget *, const QString &, const QString &) override {}
};

class Workspace {
public:
    Workspace();
    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString &name) const { return dir_.filePath(name); }
    // Replaces a file's bytes (plain write, no lock); false when it could not be written.
    bool write(const QString &name, const QByteArray &bytes) const;
    // The same, synced to the disk before it returns. A measured step that syncs a file of its
    // own then neither waits for this write's writeback nor meets a disk gone idle: how long a
    // sync takes here grows with the time since the disk last worked (75 us right after
    // another sync, 160 us after 1 ms of rest, 460 us after 5 ms on the machine of these notes).
    bool writeSynced(const QString &name, const QByteArray &bytes) const;
    // A file's bytes; null when it cannot be read.
    QByteArray read(const QString &name) const;

    // A window that has run Form_Load on this folder, and one built bare.
    std::unique_ptr<frmMain> loadedWindow();
    std::unique_ptr<frmMain> bareWindow();

    ProfileStore &store() { return *store_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<ProfileStore> store_;
    SilentOpener opener_;
    SilentPrompter prompter_;
};

// Shows the window and returns once it has received its first paint event; false when none
// came within 30 seconds.
bool showUntilPainted(QWidget &window);

// Delivers the posted events (repaints, deferred deletes) that a handler left behind, so that
// the next measured step starts from a settled window.
void settle();

// The peak resident memory of this process so far (VmHWM), in KiB; -1 when unknown.
qint64 peakResidentKiB();

} // namespace tarvolin::bench
