#include "namelist/SheetCells.h"

namespace picura {

void SheetCells::set(int row, int column, const QString& text) {
    if (text.isEmpty() || row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns) {
        return;
    }
    cells_.insert(key(row, column), text);
}

QString SheetCells::text(int row, int column) const {
    if (row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns) {
        return QString();
    }
    return cells_.value(key(row, column));
}

void SheetCells::forEach(const std::function<void(int, int, const QString&)>& visit) const {
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it) {
        visit(static_cast<int>(it.key() >> 16), static_cast<int>(it.key() & 0xFFFF), it.value());
    }
}

}  // namespace picura
