#pragma once

// A real frmMain on a fresh temporary working folder, with a recording URL opener and a
// message-box stand-in that answers from a script.

#include "main_window/frm_main.h"
#include "main_window/prompter.h"
#include "settings/engine_file_name.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"
#include "url/url_opener.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <memory>
#include <vector>

namespace tarvolin::testing {

class RecordingOpener final : public UrlOpener {
public:
    struct Call {
        QString url;
        quintptr owner;
    };
    void open(const QString &url, quintptr ownerWindow) override {
        calls.push_back({url, ownerWindow});
    }
    std::vector<Call> calls;
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
    QStringList asked;
    QStringList informed;
    QStringList titles;
};

class WindowHarness {
public:
    // mainIni, when given, becomes tarvolin.ini before the window loads.
    explicit WindowHarness(const QByteArray &mainIni = QByteArray()) {
        if (!mainIni.isNull()) {
            writeFile(QStringLiteral("tarvolin.ini"), mainIni);
        }
        store = std::make_unique<ProfileStore>(dir.path());
        window = std::make_unique<frmMain>(*store, opener, prompter);
    }

    void writeFile(const QString &name, const QByteArray &bytes) const {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The bytes of a file of the working folder; a null array when it does not exist.
    QByteArray fileBytes(const QString &name) const {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            return QByteArray();
        }
        return file.readAll();
    }

    QString mainIni() const { return QStringLiteral("./tarvolin.ini"); }
    QString engineIni(const QString &engine) const { return EngineIniFile(engine); }

    // Reads through a separate store, as the next start of the program would.
    QStringList valuesFor(const QString &engine, const QString &keyName) const {
        ProfileStore reader(dir.path());
        return ReadProfileEntryNames(reader, keyName, engineIni(engine));
    }
    QStringList keyNamesFor(const QString &engine) const {
        ProfileStore reader(dir.path());
        return ReadProfileSectionNames(reader, engineIni(engine));
    }
    QString mainValue(const QString &section, const QString &key) const {
        ProfileStore reader(dir.path());
        return ReadProfileValue(reader, section, key, mainIni());
    }

    void showAndActivate() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void parse(const QString &url) {
        window->txtParseMe->setText(url);
        QTest::mouseClick(window->cmdParse, Qt::LeftButton);
    }

    QTemporaryDir dir;
    std::unique_ptr<ProfileStore> store;
    RecordingOpener opener;
    ScriptedPrompter prompter;
    std::unique_ptr<frmMain> window;
};

// Chooses list entry `row` the way a user does: open the drop-down and click the entry.
inline void chooseEntry(QComboBox *combo, int row) {
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(combo->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTRY_VERIFY(!view->isVisible());
}

// A click on the close box of a shown window, delivered as the window system delivers it.
// Returns whether the window accepted the close.
inline bool clickCloseBox(QWidget *window) {
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(window->windowHandle(), &event);
    return event.isAccepted();
}

inline QStringList entries(const QComboBox *combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) {
        list.append(combo->itemText(i));
    }
    return list;
}

inline QStringList captions(const std::array<QLabel *, frmMain::kKeyRows> &labels) {
    QStringList list;
    for (const QLabel *label : labels) {
        list.append(label->text());
    }
    return list;
}

inline QStringList texts(const std::array<QLineEdit *, frmMain::kKeyRows> &boxes) {
    QStringList list;
    for (const QLineEdit *box : boxes) {
        list.append(box->text());
    }
    return list;
}

// Twenty entries: the given ones, then empty texts.
inline QStringList padded(QStringList list) {
    while (list.size() < frmMain::kKeyRows) {
        list.append(QString());
    }
    return list;
}

} // namespace tarvolin::testing
