#include "widgets/entry_count.h"

#include <QComboBox>
#include <QLineEdit>

namespace tarvolin {

void showEntryCount(QComboBox *combo, const QString &one, const QString &many) {
    const auto update = [combo, one, many] {
        const int count = combo->count();
        combo->lineEdit()->setPlaceholderText(count == 0   ? QString()
                                              : count == 1 ? one
                                                           : many.arg(count));
    };
    const QAbstractItemModel *model = combo->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, combo, update);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, combo, update);
    QObject::connect(model, &QAbstractItemModel::modelReset, combo, update);
    update();
}

} // namespace tarvolin
