#include "main_window/accessible_names.h"

#include "main_window/frm_main.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringBuilder>

namespace tarvolin {

namespace {

// Every new name is announced to a running screen reader, so only changes are set.
void setName(QWidget *widget, const QString &name) {
    if (widget->accessibleName() != name) {
        widget->setAccessibleName(name);
    }
}

// The edit field of a drop-down is a control of its own in the accessibility tree.
void setComboName(QComboBox *combo, const QString &name) {
    setName(combo, name);
    setName(combo->lineEdit(), name);
}

// A label with a buddy reads "&" as a mnemonic: it hides it and takes Alt and the next letter.
// A key name must show as it is, so a label showing one with "&" stays untied.
void tieKeyLabel(QLabel *label, QWidget *control) {
    const QString key = label->text();
    if (!key.contains(u'&')) {
        label->setBuddy(control);
    } else if (label->buddy() != nullptr) {
        label->setBuddy(nullptr);
        label->clear(); // drops the mnemonic taken while tied
        label->setText(key);
    }
}

} // namespace

void nameControls(frmMain &window) {
    setName(window.txtParseMe, QStringLiteral("URL to parse"));
    setName(window.txtEngine, window.lblEngine->text());
    setName(window.txtQueryKey, window.lblQueryKey->text());
    setComboName(window.cmbEngine, window.lblAvailableEngines->text());
    setComboName(window.cmbAvailKeys, window.lblAvailKeys->text());
    setName(window.txtNewURL, QStringLiteral("composed URL"));
    // Each caption is tied to the control it names, so a screen reader reads them together.
    window.lblEngine->setBuddy(window.txtEngine);
    window.lblQueryKey->setBuddy(window.txtQueryKey);
    window.lblAvailableEngines->setBuddy(window.cmbEngine);
    window.lblAvailKeys->setBuddy(window.cmbAvailKeys);
    nameKeyRows(window);
}

void nameKeyRows(frmMain &window) {
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        const QString row = QString::number(i + 1);
        const QString key = window.lblKey[i]->text();
        const auto name = [&](QStringView what) -> QString {
            if (key.isEmpty()) {
                return what % u" row " % row;
            }
            return what % u" row " % row % u", key " % key;
        };
        // A row's names are set together from its key, so a label named for the key shown
        // means the whole row is; most rows keep their key from one handler to the next.
        const QString labelName = name(u"key name of");
        if (window.lblKey[i]->accessibleName() == labelName) {
            continue;
        }
        window.lblKey[i]->setAccessibleName(labelName);
        tieKeyLabel(window.lblKey[i], window.txtKey[i]);
        setName(window.optKeyClear[i], name(u"clear"));
        setName(window.txtKey[i], name(u"value of"));
        setComboName(window.cmbKey[i], name(u"remembered values of"));
    }
}

} // namespace tarvolin
