#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace picura::test {

// One cell to write: row and column from 0, and its text.
struct TextCell {
    int row;
    int column;
    QString text;
};

// The roster both formats are tested with (the committed roster.xls holds the
// same): sheets "一年级" (names, numbers, classes), "二年级" (two names and a
// boolean) and "空表" (empty).
bool WriteRosterXlsx(const QString& path);

// A one-sheet .xlsx holding text cells only (libxlsxwriter writes shared strings).
bool WriteTextXlsx(const QString& path, const QString& sheetName, const std::vector<TextCell>& cells);

// A zip archive holding exactly these entries, deflated.
bool WriteZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries);

// The parts of a minimal .xlsx whose one sheet lives in sheetPart with the
// given sheet XML body (the content of <sheetData>), and the given shared
// strings (the content of <sst>, none when empty).
std::vector<std::pair<QString, QByteArray>> MinimalXlsxParts(const QString& sheetPart,
                                                             const QByteArray& sheetData,
                                                             const QByteArray& sharedStrings = {});

// The path of a committed fixture under tests/namelist/data.
QString DataFile(const QString& name);

}  // namespace picura::test
