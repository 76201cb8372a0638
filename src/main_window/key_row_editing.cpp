#include "main_window/frm_main.h"
#include "url/decode_hex.h"
#include "widgets/combo_entries.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

#include <algorithm>
#include <functional>
#include <utility>

namespace tarvolin {

namespace {

// Reports mouse presses on the key labels and mouse moves over the value boxes. Neither
// control has a signal for these, and both must still handle the event themselves.
class KeyRowEventFilter final : public QObject {
public:
    using MouseDown = std::function<void(int, Qt::MouseButton)>;
    using MouseMove = std::function<void(int)>;
    KeyRowEventFilter(frmMain &window, MouseDown mouseDown, MouseMove mouseMove)
        : QObject(&window), window_(window), mouseDown_(std::move(mouseDown)),
          mouseMove_(std::move(mouseMove)) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const int row = rowOf(window_.lblKey, watched);
            if (row >= 0) {
                mouseDown_(row, static_cast<QMouseEvent *>(event)->button());
            }
        } else if (event->type() == QEvent::MouseMove) {
            const int row = rowOf(window_.txtKey, watched);
            if (row >= 0) {
                mouseMove_(row);
            }
        }
        return false;
    }

private:
    const frmMain &window_;
    MouseDown mouseDown_;
    MouseMove mouseMove_;

    template <typename Control>
    static int rowOf(const std::array<Control *, frmMain::kKeyRows> &row, const QObject *watched) {
        const auto found = std::find(row.cbegin(), row.cend(), watched);
        return found == row.cend() ? -1 : static_cast<int>(found - row.cbegin());
    }
};

// Removes one pool entry. A removed entry that was the chosen one leaves no entry chosen;
// QComboBox would otherwise choose a neighbour, which the next "Add key to form" would take.
void removePoolEntry(QComboBox *pool, int index) {
    const bool wasChosen = pool->currentIndex() == index;
    pool->removeItem(index);
    if (wasChosen) {
        pool->setCurrentIndex(-1);
    }
}

// Shows the box's text decoded as its tool tip, which a screen reader gives as the box's
// description; the description is set as plain text, since the tool tip may be markup.
void showDecodedValue(QLineEdit *box) {
    QString sHexDecoded;
    DecodeHex(box->text(), sHexDecoded);
    if (box->accessibleDescription() != sHexDecoded) {
        box->setAccessibleDescription(sHexDecoded);
    }
    // Tool tips render text that looks like markup; a decoded "<b>" must show as typed.
    if (Qt::mightBeRichText(sHexDecoded)) {
        sHexDecoded = Qt::convertFromPlainText(sHexDecoded, Qt::WhiteSpaceNoWrap);
    }
    box->setToolTip(sHexDecoded);
}

} // namespace

void frmMain::connectKeyRowEditing() {
    connect(cmdAddKey, &QPushButton::clicked, this, &frmMain::cmdAddKey_Click);
    // `clicked` only: selecting or deselecting a button from code must not clear its row.
    for (int i = 0; i < kKeyRows; ++i) {
        connect(optKeyClear[i], &QRadioButton::clicked, this, [this, i] { optKeyClear_Click(i); });
    }
    // UpdateAvailKeysMenu adds and drops entries, so the index is looked up at click time.
    connect(mnuAddKey, &QMenu::triggered, this, [this](QAction *action) {
        const qsizetype index = mnuKeys.indexOf(action);
        if (index >= 0) {
            mnuKeys_Click(static_cast<int>(index));
        }
    });
    auto *filter = new KeyRowEventFilter(
        *this, [this](int Index, Qt::MouseButton Button) { lblKey_MouseDown(Index, Button); },
        [this](int Index) { txtKey_MouseMove(Index); });
    for (int i = 0; i < kKeyRows; ++i) {
        lblKey[i]->installEventFilter(filter);
        // Line edits track the mouse already; the tool tip depends on it, so say so.
        txtKey[i]->setMouseTracking(true);
        txtKey[i]->installEventFilter(filter);
        // Kept current for the keyboard too: a box that gets the focus already shows it.
        connect(txtKey[i], &QLineEdit::textChanged, this,
                [box = txtKey[i]] { showDecodedValue(box); });
    }
}

void frmMain::cmdAddKey_Click() {
    const int nChosen = cmbAvailKeys->currentIndex();
    if (nChosen < 0) {
        return;
    }
    const QString sKeyName = cmbAvailKeys->itemText(nChosen);
    if (sKeyName.isEmpty()) {
        return;
    }
    const auto freeRow = std::find_if(lblKey.cbegin(), lblKey.cend(),
                                      [](const QLabel *label) { return label->text().isEmpty(); });
    if (freeRow != lblKey.cend()) {
        const auto i = static_cast<int>(freeRow - lblKey.cbegin());
        lblKey[i]->setText(sKeyName);
        optKeyClear[i]->setChecked(false);
        removePoolEntry(cmbAvailKeys, nChosen);
        FillCombos();
    }
    UpdateAvailKeysMenu();
}

void frmMain::optKeyClear_Click(int Index) {
    // The button has just toggled itself; a click always leaves the clicked button selected.
    optKeyClear[Index]->setChecked(true);
    for (int i = 0; i < kKeyRows; ++i) {
        if (i != Index) {
            optKeyClear[i]->setChecked(false);
        }
    }
    const QString sKeyName = lblKey[Index]->text();
    if (sKeyName.isEmpty()) {
        return;
    }
    appendEntries(cmbAvailKeys, {sKeyName});
    lblKey[Index]->clear();
    txtKey[Index]->clear();
    cmbKey[Index]->clear();
    UpdateAvailKeysMenu();
}

void frmMain::lblKey_MouseDown(int Index, Qt::MouseButton Button) {
    if (Button != Qt::RightButton) {
        return;
    }
    if (txtParseMe->text().isEmpty() || !lblKey[Index]->text().isEmpty()) {
        return;
    }
    if (cmbAvailKeys->count() > 0) {
        // exec() returns after the menu has closed; a chosen entry has run mnuKeys_Click.
        Popup->exec(QCursor::pos());
        if (sPickedKey.isEmpty()) {
            return;
        }
        lblKey[Index]->setText(sPickedKey);
        FillCombos();
        sPickedKey.clear();
        removePoolEntry(cmbAvailKeys, nPickedKeyIndex);
        optKeyClear[Index]->setChecked(false);
        UpdateAvailKeysMenu();
    } else {
        mnuKeys[0]->setText(QStringLiteral("No more keys"));
        mnuKeys[0]->setVisible(true);
        Popup->exec(QCursor::pos());
        // Clicking the notice picks nothing.
        sPickedKey.clear();
    }
}

void frmMain::mnuKeys_Click(int Index) {
    sPickedKey = mnuKeys[Index]->text();
    nPickedKeyIndex = Index;
}

void frmMain::txtKey_MouseMove(int Index) {
    showDecodedValue(txtKey[Index]);
}

} // namespace tarvolin
