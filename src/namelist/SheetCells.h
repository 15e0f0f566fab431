#pragma once

#include <QHash>
#include <QString>

#include <functional>

namespace picura {

// The text cells of one worksheet, sparse: only cells whose text is not empty
// are kept. Numbers, dates, booleans, errors and blanks are never stored, so
// they read as empty text. Rows and columns count from 0.
class SheetCells {
  public:
    // The largest sheet a workbook can describe; cells beyond are dropped.
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    // Stores (or replaces) the text of a cell; empty text or a position
    // outside the sheet removes nothing and is ignored.
    void set(int row, int column, const QString& text);
    QString text(int row, int column) const;

    qsizetype size() const { return cells_.size(); }
    bool isEmpty() const { return cells_.isEmpty(); }

    // Every stored cell, in no particular order.
    void forEach(const std::function<void(int row, int column, const QString& text)>& visit) const;

  private:
    static quint64 key(int row, int column) {
        return (static_cast<quint64>(row) << 16) | static_cast<quint64>(column);
    }
    QHash<quint64, QString> cells_;
};

}  // namespace picura
