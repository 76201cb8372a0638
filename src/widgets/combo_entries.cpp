#include "widgets/combo_entries.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>

namespace tarvolin {

namespace {

// QComboBox makes the first enabled entry current when its model is reset, which also lays out
// that entry's text in the edit field. While a short list fills, no entry is enabled, so it
// leaves the choice (and the edit field) alone. A long list does not hide its entries: the
// combo box would ask every one of them whether it is enabled, which costs more than the
// layout (5 ms for the 476,000 engines of a 10 MB main file).
class FillableListModel : public QStringListModel {
public:
    using QStringListModel::QStringListModel;

    void fill(const QStringList &items) {
        constexpr qsizetype kHiddenWhileFilling = 256;
        filling_ = items.size() <= kHiddenWhileFilling;
        setStringList(items);
        filling_ = false;
    }

    // Makes the list read items. When it keeps its length and only a few entries differ, as
    // when a parse's new value takes the place of the last one's, those are set one by one:
    // each costs the views far less than a reset.
    void replace(const QStringList &items) {
        constexpr qsizetype kFewChanges = 8;
        const QStringList &old = stringList();
        if (old.isSharedWith(items))
            return; // the readers hand back the list shown when a section is unchanged
        QList<int> changed;
        if (old.size() == items.size()) {
            for (int row = 0; row < items.size() && changed.size() <= kFewChanges; ++row) {
                if (old[row] != items[row])
                    changed.append(row);
            }
        }
        if (old.size() != items.size() || changed.size() > kFewChanges) {
            fill(items);
            return;
        }
        for (const int row : changed)
            setData(index(row), items[row]);
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override {
        return filling_ ? Qt::ItemNeverHasChildren : QStringListModel::flags(index);
    }

private:
    bool filling_ = false;
};

} // namespace

void useStringListModel(QComboBox *combo) {
    combo->setModel(new FillableListModel(combo));
    if (auto *view = qobject_cast<QListView *>(combo->view())) {
        view->setUniformItemSizes(true);
    }
}

QStringList entryTexts(const QComboBox *combo) {
    if (const auto *list = qobject_cast<const QStringListModel *>(combo->model())) {
        return list->stringList();
    }
    QStringList texts;
    texts.reserve(combo->count());
    for (int k = 0; k < combo->count(); ++k) {
        texts.append(combo->itemText(k));
    }
    return texts;
}

namespace {

// Puts back what the edit field showed (typed text, or nothing): choosing an entry, or a new
// list replacing the old, may have rewritten it.
void restoreEditText(QComboBox *combo, const QString &text) {
    QLineEdit *edit = combo->lineEdit();
    if (edit != nullptr && edit->text() != text) {
        edit->setText(text);
    }
}

} // namespace

void appendEntries(QComboBox *combo, const QStringList &items) {
    if (items.isEmpty()) {
        return;
    }
    const int before = combo->currentIndex();
    const QString text = combo->currentText();
    auto *list = dynamic_cast<FillableListModel *>(combo->model());
    if (list != nullptr && list->rowCount() == 0) {
        // An empty list is filled in one step: inserting row by row signals every row.
        list->fill(items);
    } else {
        combo->addItems(items);
    }
    if (before == -1 && combo->currentIndex() != -1) {
        combo->setCurrentIndex(-1);
    }
    restoreEditText(combo, text);
}

void replaceEntries(QComboBox *combo, const QStringList &items) {
    auto *list = dynamic_cast<FillableListModel *>(combo->model());
    if (list == nullptr || items.isEmpty()) {
        if (combo->count() != 0) {
            combo->clear();
        }
        appendEntries(combo, items);
        return;
    }
    // What emptying the list leaves in the edit field: typed text survives, a chosen entry's
    // text does not. The reset itself leaves no entry chosen (see FillableListModel).
    const QString text = combo->currentIndex() == -1 ? combo->currentText() : QString();
    list->replace(items);
    if (combo->currentIndex() != -1) {
        // A list left in place, or changed entry by entry, keeps its choice: it goes.
        combo->setCurrentIndex(-1);
    }
    restoreEditText(combo, text);
}

void removeEntry(QComboBox *combo, const QString &text) {
    const int row = combo->findText(text);
    if (row < 0) {
        return;
    }
    if (combo->currentIndex() == row) {
        combo->setCurrentIndex(-1);
    }
    combo->removeItem(row);
}

} // namespace tarvolin
