#include "workspace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QFile>

#include <unistd.h>

namespace tarvolin::bench {

namespace {

class PaintWatcher final : public QObject {
public:
    explicit PaintWatcher(QObject *target) : target_(target) {}
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == target_ && event->type() == QEvent::Paint)
            painted = true;
        return false;
    }

private:
    QObject *target_;
};

constexpr int kPaintTimeoutMs = 30000;

} // namespace

Workspace::Workspace() : store_(std::make_unique<ProfileStore>(dir_.path())) {}

bool Workspace::write(const QString &name, const QByteArray &bytes) const {
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool Workspace::writeSynced(const QString &name, const QByteArray &bytes) const {
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush() && ::fdatasync(file.handle()) == 0;
}

QByteArray Workspace::read(const QString &name) const {
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::unique_ptr<frmMain> Workspace::loadedWindow() {
    return std::make_unique<frmMain>(*store_, opener_, prompter_);
}

std::unique_ptr<frmMain> Workspace::bareWindow() {
    return std::make_unique<frmMain>(*store_, opener_, prompter_, frmMain::SkipLoad{});
}

bool showUntilPainted(QWidget &window) {
    PaintWatcher watcher(&window);
    window.installEventFilter(&watcher);
    window.show();
    const QDeadlineTimer deadline(kPaintTimeoutMs);
    while (!watcher.painted && !deadline.hasExpired())
        QCoreApplication::processEvents();
    window.removeEventFilter(&watcher);
    return watcher.painted;
}

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:")) {
            bool ok = false;
            const qint64 kib = line.mid(6).trimmed().chopped(3).trimmed().toLongLong(&ok);
            return ok ? kib : -1;
        }
    }
    return -1;
}

} // namespace tarvolin::bench
