// The real message boxes: title, buttons, default button, no icon.

#include "main_window/prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tarvolin;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Once the box is up, records what it shows and lets `answer` close it.
void whenBoxShows(SeenBox &seen, std::function<void(QMessageBox *)> answer) {
    QTimer::singleShot(0, qApp, [&seen, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        if (box->defaultButton()) {
            seen.defaultButton = box->standardButton(box->defaultButton());
        }
        answer(box);
    });
}

} // namespace

class PrompterTest : public QObject {
    Q_OBJECT

private slots:
    void askYesNo_showsQuestionWithYesDefault_data();
    void askYesNo_showsQuestionWithYesDefault();
    void inform_showsOkOnlyWithoutIcon();
};

void PrompterTest::askYesNo_showsQuestionWithYesDefault_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("expected");
    QTest::newRow("Enter takes the default, Yes") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape answers No") << int(Qt::Key_Escape) << false;
    QTest::newRow("the No button") << int(Qt::Key_N) << false;
}

void PrompterTest::askYesNo_showsQuestionWithYesDefault() {
    QFETCH(int, key);
    QFETCH(bool, expected);
    MessageBoxPrompter prompter;
    SeenBox seen;
    whenBoxShows(seen, [key](QMessageBox *box) {
        if (key == Qt::Key_N) {
            box->button(QMessageBox::No)->click();
        } else {
            QTest::keyClick(box, Qt::Key(key));
        }
    });
    const bool answer =
        prompter.askYesNo(nullptr, QStringLiteral("Tarvolin"), QStringLiteral("Clear it?"));
    QCOMPARE(answer, expected);
    QCOMPARE(seen.title, QStringLiteral("Tarvolin"));
    QCOMPARE(seen.text, QStringLiteral("Clear it?"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(seen.defaultButton, QMessageBox::Yes);
}

void PrompterTest::inform_showsOkOnlyWithoutIcon() {
    MessageBoxPrompter prompter;
    SeenBox seen;
    whenBoxShows(seen, [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
    prompter.inform(nullptr, QStringLiteral("Tarvolin"),
                    QStringLiteral("You must fill in both values"));
    QCOMPARE(seen.title, QStringLiteral("Tarvolin"));
    QCOMPARE(seen.text, QStringLiteral("You must fill in both values"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(PrompterTest)
#include "prompter_test.moc"
