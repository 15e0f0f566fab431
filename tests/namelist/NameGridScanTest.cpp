#include <gtest/gtest.h>

#include <random>

#include "namelist/NameGridScan.h"
#include "namelist/SheetCells.h"

using namespace picura;

namespace {

SheetCells Column(int column, int firstRow, int lastRow, const QString& prefix = "名") {
    SheetCells cells;
    for (int r = firstRow; r <= lastRow; ++r) {
        cells.set(r, column, prefix + QString::number(r));
    }
    return cells;
}

void Add(SheetCells& cells, int column, int firstRow, int lastRow) {
    for (int r = firstRow; r <= lastRow; ++r) {
        cells.set(r, column, "x" + QString::number(r));
    }
}

// The scan done the slow way, one cell at a time, as the operator's sheet is walked.
GridExtent WalkCellByCell(const SheetCells& cells) {
    int lastRow = -1;
    int lastColumn = -1;
    int k = 0;
    int e = 0;
    for (int c = 0;; ++c) {
        for (int r = 0;; ++r) {
            if (CountsAsFilled(cells.text(r, c))) {
                k = 0;
                e = 0;
                lastRow = std::max(lastRow, r);
                lastColumn = std::max(lastColumn, c);
            } else {
                ++k;
            }
            if (k > 5 && r > lastRow) {
                break;
            }
        }
        ++e;
        if (e > 5) {
            break;
        }
    }
    return {lastRow, lastColumn};
}

TEST(ScanExtent, NamesInA1ToA30_GiveThirtyRowsAndOneColumn) {
    EXPECT_EQ(ScanExtent(Column(0, 0, 29)), (GridExtent{29, 0}));
}

TEST(ScanExtent, SixEmptyRowsEndAColumn_FiveDoNot) {
    SheetCells six = Column(0, 0, 9);
    Add(six, 0, 16, 25);  // A11..A16 empty
    EXPECT_EQ(ScanExtent(six), (GridExtent{9, 0}));

    SheetCells five = Column(0, 0, 9);
    Add(five, 0, 15, 25);  // A11..A15 empty
    EXPECT_EQ(ScanExtent(five), (GridExtent{25, 0}));
}

TEST(ScanExtent, EmptyRunCarriesIntoTheNextColumn) {
    // Column A ends at row 16 with six empties counted; column B then reads
    // rows 1 to 11 only: a name in B11 is found, one in B12 is not.
    SheetCells found = Column(0, 0, 9);
    Add(found, 0, 16, 20);
    found.set(10, 1, "B11");
    EXPECT_EQ(ScanExtent(found), (GridExtent{10, 1}));

    SheetCells missed = Column(0, 0, 9);
    Add(missed, 0, 16, 20);
    missed.set(11, 1, "B12");
    EXPECT_EQ(ScanExtent(missed), (GridExtent{9, 0}));
}

TEST(ScanExtent, FiveEmptyColumnsEndTheSheet) {
    SheetCells aAndG = Column(0, 0, 3);
    aAndG.set(0, 6, "G1");
    EXPECT_EQ(ScanExtent(aAndG), (GridExtent{3, 0}));

    SheetCells aAndF = Column(0, 0, 3);
    aAndF.set(0, 5, "F1");
    EXPECT_EQ(ScanExtent(aAndF), (GridExtent{3, 5}));

    SheetCells nothingInAToF;
    nothingInAToF.set(0, 6, "G1");
    nothingInAToF.set(3, 20, "U4");
    EXPECT_EQ(ScanExtent(nothingInAToF), (GridExtent{-1, -1}));
}

TEST(ScanExtent, NoTextGivesAnEmptyGrid) {
    EXPECT_EQ(ScanExtent(SheetCells()), (GridExtent{-1, -1}));
    EXPECT_EQ(ScanExtent(SheetCells()).rowCount(), 0);
    SheetCells spaces;
    spaces.set(0, 0, "   ");
    spaces.set(1, 0, QStringLiteral("\u3000 \u3000"));
    EXPECT_EQ(ScanExtent(spaces), (GridExtent{-1, -1}));
}

TEST(ScanExtent, TabOnlyCellCountsAsFilled) {
    SheetCells cells = Column(0, 0, 2);
    cells.set(8, 0, "\t");
    EXPECT_EQ(ScanExtent(cells), (GridExtent{8, 0}));
    EXPECT_TRUE(CountsAsFilled("\t"));
    EXPECT_FALSE(CountsAsFilled(QStringLiteral(" \u3000 ")));
}

TEST(ScanExtent, MatchesTheCellByCellWalkOnRandomSheets) {
    std::mt19937 random(20240611);
    for (int sheet = 0; sheet < 400; ++sheet) {
        SheetCells cells;
        const int rows = 4 + static_cast<int>(random() % 40);
        const int columns = 1 + static_cast<int>(random() % 14);
        const int percent = 5 + static_cast<int>(random() % 60);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const int roll = static_cast<int>(random() % 100);
                if (roll < percent) {
                    cells.set(r, c, roll % 7 == 0 ? QStringLiteral("\u3000 ") : QStringLiteral("名"));
                }
            }
        }
        ASSERT_EQ(ScanExtent(cells), WalkCellByCell(cells)) << "sheet " << sheet;
    }
}

TEST(ScanExtent, StaircaseAcrossTheWholeSheetStaysCheap) {
    // Each name one row below and five columns right of the last: the walk
    // reaches it every time, so the extent spans every column of the sheet
    // (53 million cells) while only 3,277 cells are stored.
    SheetCells cells;
    const int steps = (SheetCells::kMaxColumns - 1) / 5 + 1;
    for (int i = 0; i < steps; ++i) {
        cells.set(i, i * 5, "x");
    }
    EXPECT_EQ(ScanExtent(cells), (GridExtent{steps - 1, (steps - 1) * 5}));
}

TEST(CleanCellText, RemovesTabsAndTrimsBothKindsOfSpaces) {
    EXPECT_EQ(CleanCellText(QStringLiteral("  张三\t ")), QStringLiteral("张三"));
    EXPECT_EQ(CleanCellText(QStringLiteral("\u3000李\t四\u3000")), QStringLiteral("李四"));
    EXPECT_EQ(CleanCellText(QStringLiteral("王 五")), QStringLiteral("王 五"));
    EXPECT_EQ(CleanCellText(QStringLiteral(" \u3000\t \t")), QString());
    EXPECT_EQ(CleanCellText(QStringLiteral("\t")), QString());
    EXPECT_EQ(CleanCellText(QString()), QString());
}

}  // namespace
