#pragma once

// The one window fixture: a real frmMain on a working folder (a fresh temporary
// one unless the test names one), with a recording URL opener and a message-box
// stand-in answering from a script.

#include "main_window/frm_main.h"
#include "settings/engine_file_name.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"
#include "widgets/prompter.h"

#include <QtTest/qtestspontaneevent.h>
#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <vector>

namespace tarvolin::testing {

class RecordingOpener final : public UrlOpener {
public:
    void open(const QString &url, quintptr owner) override { calls.push_back({url, owner}); }
    std::vector<std::pair<QString, quintptr>> calls;
};

class ScriptedPrompter final : public Prompter {
public:
    bool askYesNo(QWidget *, const QString &title, const QString &prompt) override {
        titles.append(title);
        asked.append(prompt);
        return nextAnswer;
    }
    void inform(QWidget *, const QString &title, const QString &text) override {
        titles.append(title);
        informed.append(text);
    }
    bool nextAnswer = true;
    QStringList asked, informed, titles;
};

class WindowHarness {
public:
    // mainIni, unless null, becomes tarvolin.ini before the window loads.
    explicit WindowHarness(const QByteArray &mainIni = QByteArray(), const QString &folder = {})
        : path(folder.isEmpty() ? dir.path() : folder) {
        if (!mainIni.isNull())
            writeFile(QStringLiteral("tarvolin.ini"), mainIni);
        store = std::make_unique<ProfileStore>(path);
        window = std::make_unique<frmMain>(*store, opener, prompter);
    }

    QString filePath(const QString &name) const { return QDir(path).filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const {
        QFile file(filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // A null array when the file does not exist.
    QByteArray fileBytes(const QString &name) const {
        QFile file(filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Read through a separate store, as the next start of the program would.
    QStringList valuesFor(const QString &engine, const QString &keyName) const {
        ProfileStore reader(path);
        return ReadProfileEntryNames(reader, keyName, EngineIniFile(engine));
    }
    QString mainValue(const QString &section, const QString &key) const {
        ProfileStore reader(path);
        return ReadProfileValue(reader, section, key, QStringLiteral("./tarvolin.ini"));
    }

    void showAndActivate() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // Pastes the URL and presses Parse (then New URL, when asked), as a user
    // does.
    void parse(const QString &url, bool compose = false) {
        window->txtParseMe->setText(url);
        QTest::mouseClick(window->cmdParse, Qt::LeftButton);
        if (compose)
            QTest::mouseClick(window->cmdNewURL, Qt::LeftButton);
    }

    QTemporaryDir dir;
    const QString path;
    std::unique_ptr<ProfileStore> store;
    RecordingOpener opener;
    ScriptedPrompter prompter;
    std::unique_ptr<frmMain> window;
};

// Chooses list entry `row` as a user does: opens the drop-down and clicks the
// entry near its left end (an entry wider than the screen has its middle off
// the list).
inline void chooseEntry(QComboBox *combo, int row) {
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(combo->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + 4, rect.center().y()));
    QTRY_VERIFY(!view->isVisible());
}

// Opens the drop-down and highlights entry `row` with the keyboard.
inline void highlight(QComboBox *combo, int row) {
    combo->showPopup();
    QTRY_VERIFY(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Home);
    for (int k = 0; k < row; ++k)
        QTest::keyClick(combo->view(), Qt::Key_Down);
}

// The grey text an empty combo box shows, and what a screen reader describes it as.
inline QString placeholder(const QComboBox *combo) {
    return combo->lineEdit()->placeholderText();
}
inline QString description(QComboBox *combo) {
    return QAccessible::queryAccessibleInterface(combo)->text(QAccessible::Description);
}

// A click on the close box of a shown window, delivered as the window system
// delivers it. Returns whether the window accepted the close.
inline bool clickCloseBox(QWidget *window) {
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(window->windowHandle(), &event);
    return event.isAccepted();
}

// What "Add additional key" lists, submenus flattened: the pool, or one entry
// without caption.
inline QStringList menuCaptions(const frmMain &w) {
    QStringList list;
    for (const QAction *action : w.mnuKeys)
        list.append(action->text());
    return list;
}

inline QStringList entries(const QComboBox *combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list.append(combo->itemText(i));
    return list;
}

// The texts of the twenty key labels or value boxes.
template <typename Control> QStringList texts(const std::array<Control *, frmMain::kKeyRows> &row) {
    QStringList list;
    for (const Control *control : row)
        list.append(control->text());
    return list;
}

// Twenty entries: the given ones, then empty texts.
inline QStringList padded(QStringList list) {
    while (list.size() < frmMain::kKeyRows)
        list.append(QString());
    return list;
}

} // namespace tarvolin::testing
