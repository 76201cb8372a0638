// Peak memory of a large parse, and the stress parse of 100,000 distinct key names, each in a
// fresh process so that nothing measured before raises the peak.

#include "cases.h"
#include "corpus.h"
#include "results.h"
#include "workspace.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>

#include <cstdio>
#include <cstring>

namespace tarvolin::bench {

namespace {

constexpr int kPairs = 100000;
// What the parse adds to the peak after the URL was pasted (the paste is the text box's).
constexpr double kMemoryGoal = 1.25;
constexpr int kProbeTimeoutMs = 10 * 60 * 1000;

using Values = QMap<QString, QString>;

// The window loaded and painted on a folder with the main file and the given engine file.
std::unique_ptr<frmMain> startUp(Workspace &workspace, const QByteArray &engineFile) {
    if (!workspace.write(mainFileName(), mainFileText(50)) ||
        !workspace.write(engineFileName(), engineFile))
        return nullptr;
    std::unique_ptr<frmMain> window = workspace.loadedWindow();
    return showUntilPainted(*window) ? std::move(window) : nullptr;
}

// Puts the URL in the box as a paste would, and lets the window show it.
void paste(frmMain &window, const QString &url) {
    window.txtParseMe->setText(url);
    window.repaint();
    settle();
}

// Clicks Parse and lets the window paint the result; returns the nanoseconds the click took.
qint64 parse(frmMain &window) {
    QElapsedTimer timer;
    timer.start();
    window.cmdParse->click();
    const qint64 nanoseconds = timer.nsecsElapsed();
    window.repaint();
    settle();
    return nanoseconds;
}

int memoryProbe() {
    Workspace workspace;
    const std::unique_ptr<frmMain> window = startUp(workspace, engineFileText(2 * kKiB));
    if (!window)
        return 2;
    const qint64 startupKiB = peakResidentKiB();
    paste(*window, repeatedNamesUrl(kPairs, 50));
    const qint64 pastedKiB = peakResidentKiB();
    parse(*window);
    const bool filled = !window->lblKey[frmMain::kKeyRows - 1]->text().isEmpty();
    std::printf("startup_kib=%lld\npasted_kib=%lld\nparsed_kib=%lld\nfilled=%d\n", startupKiB,
                pastedKiB, peakResidentKiB(), filled ? 1 : 0);
    return 0;
}

int stressProbe() {
    Workspace workspace;
    const std::unique_ptr<frmMain> window = startUp(workspace, knownNamesText(kPairs));
    if (!window)
        return 2;
    const qint64 startupKiB = peakResidentKiB();
    paste(*window, distinctNamesUrl(kPairs));
    const qint64 nanoseconds = parse(*window);
    std::printf("startup_kib=%lld\nparsed_kib=%lld\nseconds=%f\npool=%d\nmenu=%lld\n", startupKiB,
                peakResidentKiB(), double(nanoseconds) / 1e9, window->cmbAvailKeys->count(),
                qint64(window->mnuKeys.size()));
    return 0;
}

// Runs this program with `mode` and returns its "name=value" lines; empty, with `failure`
// set, when it crashed, failed or timed out.
Values runChild(const QString &mode, std::string &failure) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForFinished(kProbeTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        failure = "crashed or timed out";
        return {};
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        failure = child.exitStatus() != QProcess::NormalExit
                      ? "crashed"
                      : "error: exit code " + std::to_string(child.exitCode());
        return {};
    }
    Values values;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromLatin1(line.left(equals)),
                          QString::fromLatin1(line.mid(equals + 1)));
    }
    return values;
}

double value(const Values &values, const char *name) {
    return values.value(QString::fromLatin1(name)).toDouble();
}

std::string mebibytes(double kib) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024.0);
    return text;
}

// One peak against another, without a verdict.
Row peakRow(std::string name, const Values &values, const char *after, const char *before) {
    return Row{std::move(name),
               mebibytes(value(values, after)),
               mebibytes(value(values, before)),
               formatRatio(value(values, after) / value(values, before)),
               "-",
               "-"};
}

std::vector<Row> memoryRows() {
    const std::string name = "Peak memory after parsing 100,000 pairs, against after the paste";
    const std::string goal = "≤ " + formatRatio(kMemoryGoal) + "×";
    std::string failure;
    const Values values = runChild(QStringLiteral("--memory"), failure);
    if (values.isEmpty())
        return {Row{name, "-", "-", "-", goal, failure}};
    Row parsed = peakRow(name, values, "parsed_kib", "pasted_kib");
    parsed.goal = goal;
    const double ratio = value(values, "parsed_kib") / value(values, "pasted_kib");
    if (value(values, "filled") != 1)
        parsed.verdict = "error: the parse did not fill the rows";
    else if (ratio <= kMemoryGoal)
        parsed.verdict = "met";
    else
        parsed.verdict =
            "missed by " + std::to_string(int((ratio / kMemoryGoal - 1.0) * 100.0 + 0.5)) + "%";
    // The paste itself: the URL shown in its box, before Parse is clicked.
    return {parsed, peakRow("Peak after pasting that URL, against after start-up", values,
                            "pasted_kib", "startup_kib")};
}

std::vector<Row> stressRows() {
    const std::string name = "Stress: parse of 100,000 distinct known key names";
    const std::string goal = "none; must not crash";
    std::string failure;
    const Values values = runChild(QStringLiteral("--stress"), failure);
    if (values.isEmpty())
        return {Row{name, "-", "-", "-", goal, failure}};
    const int expected = kPairs - frmMain::kKeyRows;
    const int pool = int(value(values, "pool"));
    const int menu = int(value(values, "menu"));
    const std::string verdict =
        pool == expected && menu == expected
            ? "finished; pool and menu hold " + std::to_string(pool) + " keys"
            : "error: pool " + std::to_string(pool) + ", menu " + std::to_string(menu) +
                  ", expected " + std::to_string(expected);
    return {Row{name, formatSeconds(value(values, "seconds")), "-", "-", goal, verdict},
            peakRow("Stress: peak memory after that parse, against after start-up", values,
                    "parsed_kib", "startup_kib")};
}

} // namespace

int runProbe(const char *mode) {
    if (std::strcmp(mode, "--memory") == 0)
        return memoryProbe();
    if (std::strcmp(mode, "--stress") == 0)
        return stressProbe();
    return 2;
}

void addProbeRows(Table &table) {
    for (Row &row : memoryRows())
        table.addRow(std::move(row));
    for (Row &row : stressRows())
        table.addRow(std::move(row));
}

} // namespace tarvolin::bench
