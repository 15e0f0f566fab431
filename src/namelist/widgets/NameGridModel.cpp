#include "namelist/widgets/NameGridModel.h"

#include "namelist/NameList.h"

namespace picura {

QString ColumnLetters(int column) {
    QString out;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) {
        out.prepend(QChar(u'A' + (n - 1) % 26));
    }
    return out;
}

NameGridModel::NameGridModel(const NameList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

void NameGridModel::reload() {
    beginResetModel();
    if (list_.workbookLoaded()) {
        rows_ = list_.extent().rowCount();
        columns_ = list_.extent().columnCount();
    } else {
        rows_ = kBlankRows;
        columns_ = kBlankColumns;
    }
    endResetModel();
}

int NameGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int NameGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant NameGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return QVariant();
    }
    const QString text = list_.gridText(index.row(), index.column());
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant NameGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return QVariant();
    }
    return orientation == Qt::Horizontal ? ColumnLetters(section) : QString::number(section + 1);
}

}  // namespace picura
