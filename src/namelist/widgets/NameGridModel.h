#pragma once

#include <QAbstractTableModel>

namespace picura {

class NameList;

// The name grid's cells as a table model over the Name list: the grid holds
// exactly the extent of the sheet shown, whatever its size, and reads each
// cell's text only when it is painted. Before any import it shows a blank
// sheet of blankRows × blankColumns.
class NameGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kBlankRows = 20;
    static constexpr int kBlankColumns = 4;

    explicit NameGridModel(const NameList& list, QObject* parent = nullptr);

    // The list's workbook or sheet changed: take its extent.
    void reload();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    const NameList& list_;
    int rows_ = kBlankRows;
    int columns_ = kBlankColumns;
};

// "A", "B", ..., "Z", "AA", ... for columns 0, 1, ...
QString ColumnLetters(int column);

}  // namespace picura
