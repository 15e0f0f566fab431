#pragma once

#include <QString>

namespace picura {

class SheetCells;

// The rectangle of a sheet the name grid shows: rows 0..lastRow and columns
// 0..lastColumn; -1 and -1 when the sheet holds nothing.
struct GridExtent {
    int lastRow = -1;
    int lastColumn = -1;
    int rowCount() const { return lastRow + 1; }
    int columnCount() const { return lastColumn + 1; }
    bool operator==(const GridExtent&) const = default;
};

// Whether a cell's text counts as filled for the scan: something is left once
// every ASCII and full-width space is removed (a Tab alone counts).
bool CountsAsFilled(const QString& text);

// The name a cell's text gives: every Tab removed, then ASCII and full-width
// spaces trimmed from both ends.
QString CleanCellText(const QString& text);

// Finds the grid's extent the way a column-by-column walk does:
// - each column is read from row 0 down; a filled cell resets the empty-run
//   count k (and the empty-column count), an empty one adds 1 to k, and the
//   column ends after the first row where k > 5 and the row lies below the
//   lowest filled row found so far. k carries over from one column to the next;
// - the walk ends with the fifth empty column after the last column that held
//   a filled cell (the sixth column when none did).
// Runs of empty cells are skipped arithmetically, so the cost follows the
// number of stored cells and columns, not the rectangle's area.
GridExtent ScanExtent(const SheetCells& cells);

}  // namespace picura
