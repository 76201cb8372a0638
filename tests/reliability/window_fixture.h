#pragma once

// The real frmMain in this process on a folder of the test's choosing (the main window tests'
// harness makes its own folder), with the recording opener and scripted prompter of that harness.

#include "window_harness.h"

#include <QTest>

namespace tarvolin::reliability {

struct InProcessWindow {
    explicit InProcessWindow(const QString &folder) : store(folder), w(store, opener, prompter) {}

    // Pastes the URL, presses Parse, then New URL, as a user does.
    void parseAndCompose(const QString &url) {
        w.txtParseMe->setText(url);
        QTest::mouseClick(w.cmdParse, Qt::LeftButton);
        QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    }

    // Each filled row as key name + value, e.g. "hl=en".
    QStringList rows() const {
        QStringList list;
        for (int i = 0; i < frmMain::kKeyRows; ++i) {
            if (!w.lblKey[i]->text().isEmpty())
                list.append(w.lblKey[i]->text() + w.txtKey[i]->text());
        }
        return list;
    }

    ProfileStore store;
    testing::RecordingOpener opener;
    testing::ScriptedPrompter prompter;
    frmMain w;
};

// Opens the drop-down and clicks entry `row` near its left end: an entry wider than the
// screen has its middle off the list.
inline void chooseByClick(QComboBox *combo, int row) {
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(combo->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + 4, rect.center().y()));
    QTRY_VERIFY(!view->isVisible());
}

} // namespace tarvolin::reliability
