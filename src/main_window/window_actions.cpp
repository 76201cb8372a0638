#include "main_window/frm_main.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

namespace tarvolin {

namespace {

// What a drop offers as a URL: the first entry of a URI list, as the browser wrote it (QUrl
// would re-encode the query the user wants to see as it was), else plain text. Empty when
// neither holds one.
QString droppedUrl(const QMimeData &data) {
    const QString uriList = QString::fromUtf8(data.data(QStringLiteral("text/uri-list")));
    for (QStringView line : QStringView(uriList).split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#')) {
            return line.toString();
        }
    }
    return data.hasText() ? data.text().trimmed() : QString();
}

// Adds the key to the control's tool tip, so that the key can be found where the control is.
void nameShortcut(QWidget *control, const QString &what, const QAction *action) {
    control->setToolTip(what + QStringLiteral(" (") +
                        action->shortcut().toString(QKeySequence::NativeText) + u')');
}

} // namespace

void frmMain::createActions() {
    // From the tree, not an installed theme: `make run` and a build folder show it too.
    setWindowIcon(QIcon(QStringLiteral(":/tarvolin.png")));
    setAcceptDrops(true);
    connect(txtParseMe, &QLineEdit::returnPressed, cmdParse, &QPushButton::click);

    // Keys no text box uses (the boxes keep Ctrl+A, Ctrl+Z, Ctrl+arrows, Shift+Delete...). Each
    // presses its button, so a disabled New URL stays disabled by key and Exit saves as always.
    const auto addShortcut = [this](QList<QKeySequence> keys, QPushButton *button) {
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        addAction(action);
        if (button) {
            connect(action, &QAction::triggered, button, &QPushButton::click);
        }
        return action;
    };
    const auto ctrl = [](Qt::KeyboardModifiers more, Qt::Key key) {
        return QList<QKeySequence>{QKeySequence(Qt::ControlModifier | more | key)};
    };
    // The keypad's Enter too.
    const auto ctrlEnter = [&ctrl](Qt::KeyboardModifiers more) {
        return ctrl(more, Qt::Key_Return) + ctrl(more, Qt::Key_Enter);
    };
    QAction *focusUrl = addShortcut(ctrl({}, Qt::Key_L), nullptr);
    connect(focusUrl, &QAction::triggered, txtParseMe, qOverload<>(&QWidget::setFocus));
    connect(focusUrl, &QAction::triggered, txtParseMe, &QLineEdit::selectAll);
    nameShortcut(txtParseMe, QStringLiteral("The URL to take apart; Enter parses it"), focusUrl);
    cmdParse->setToolTip(QStringLiteral("Take the URL apart (Enter in the URL box)"));
    nameShortcut(cmdNewURL, QStringLiteral("Compose the URL from the rows"),
                 addShortcut(ctrlEnter({}), cmdNewURL));
    nameShortcut(cmdLaunch,
                 QStringLiteral(
                     "Open the composed URL in the browser, if it starts with http:// or https://"),
                 addShortcut(ctrlEnter(Qt::ShiftModifier), cmdLaunch));
    // The desktop's Quit key; Windows (and Qt's offscreen platform) name none.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    nameShortcut(cmdExit, QStringLiteral("Save the engine shown and quit"),
                 addShortcut(quitKeys.isEmpty() ? ctrl({}, Qt::Key_Q) : quitKeys, cmdExit));
}

void frmMain::openUrl(const QString &url) {
    txtParseMe->setText(url);
    cmdParse_Click();
}

void frmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!droppedUrl(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void frmMain::dropEvent(QDropEvent *event) {
    const QString url = droppedUrl(*event->mimeData());
    if (url.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    openUrl(url);
}

} // namespace tarvolin
