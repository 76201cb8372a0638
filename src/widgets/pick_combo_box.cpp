#include "widgets/pick_combo_box.h"

#include "widgets/combo_entries.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace tarvolin {

PickComboBox::PickComboBox(QWidget *parent) : QComboBox(parent) {
    useStringListModel(this);
    QItemSelectionModel *selection = view()->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &PickComboBox::chooseSelected);
    // A move of the current entry signals its selection first, so chooseSelected still finds
    // the entry it moved from here.
    connect(selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { current_ = current; });
}

void PickComboBox::showPopup() {
    // Opening selects the current entry before the list shows.
    opening_ = true;
    QComboBox::showPopup();
    opening_ = false;
}

void PickComboBox::chooseSelected(const QItemSelection &selected) {
    if (opening_ || !isEnabled() || view()->isVisible() || selected.isEmpty() ||
        view()->selectionModel()->currentIndex() != current_) {
        return;
    }
    const int row = selected.indexes().constFirst().row();
    setCurrentIndex(row);
    emit activated(row);
    emit textActivated(itemText(row));
}

} // namespace tarvolin
