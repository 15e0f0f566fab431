#include "namelist/NameGridScan.h"

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

#include "namelist/SheetCells.h"

namespace picura {
namespace {

constexpr QChar kFullWidthSpace(0x3000);

bool IsSpace(QChar c) {
    return c == QLatin1Char(' ') || c == kFullWidthSpace;
}

}  // namespace

bool CountsAsFilled(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return !IsSpace(c); });
}

QString CleanCellText(const QString& text) {
    QString out = text;
    out.remove(QLatin1Char('\t'));
    qsizetype begin = 0;
    qsizetype end = out.size();
    while (begin < end && IsSpace(out.at(begin))) {
        ++begin;
    }
    while (end > begin && IsSpace(out.at(end - 1))) {
        --end;
    }
    return out.mid(begin, end - begin);
}

GridExtent ScanExtent(const SheetCells& cells) {
    // The filled rows of every column, ascending.
    std::map<int, std::vector<int>> filled;
    cells.forEach([&](int row, int column, const QString& text) {
        if (CountsAsFilled(text)) {
            filled[column].push_back(row);
        }
    });
    for (auto& [column, rows] : filled) {
        std::sort(rows.begin(), rows.end());
    }

    constexpr long long kNoMore = std::numeric_limits<long long>::max();
    long long lastRow = -1;
    int lastColumn = -1;
    long long k = 0;  // empty cells read since the last filled one, across columns
    int e = 0;        // columns ended since the last filled cell
    for (int c = 0;; ++c) {
        const auto found = filled.find(c);
        const std::vector<int>* rows = found == filled.end() ? nullptr : &found->second;
        std::size_t next = 0;
        long long r = 0;  // the next row to read
        for (;;) {
            const long long f = rows && next < rows->size() ? (*rows)[next] : kNoMore;
            // Rows r .. f-1 are empty: the column ends at the first of them where
            // the run count exceeds 5 below the lowest filled row.
            const long long stop = std::max({r, r + 5 - k, lastRow + 1});
            if (stop < f) {
                k += stop - r + 1;
                break;
            }
            k = 0;
            e = 0;
            lastRow = std::max(lastRow, f);
            lastColumn = c;
            r = f + 1;
            ++next;
        }
        ++e;
        if (e > 5) {
            break;
        }
    }
    return {static_cast<int>(lastRow), lastColumn};
}

}  // namespace picura
