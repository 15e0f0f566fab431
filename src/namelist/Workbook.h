#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "namelist/SheetCells.h"

namespace picura {

// Why a workbook or one of its sheets could not be read, in words for the
// operator (Chinese, one sentence each).
namespace workbook_reason {
inline const QString kCannotOpen = QStringLiteral("文件无法打开。");
inline const QString kNotWorkbook = QStringLiteral("该文件不是EXCEL工作簿。");
inline const QString kEncrypted = QStringLiteral("该文件设有打开密码（已加密），请先在EXCEL中取消密码。");
inline const QString kDamaged = QStringLiteral("文件已损坏或格式不受支持。");
inline const QString kTooLarge = QStringLiteral("文件内容过大。");
inline const QString kNoSheets = QStringLiteral("工作簿中没有工作表。");
inline const QString kNoText = QStringLiteral("所有工作表中都没有文字。");
}  // namespace workbook_reason

// A loaded workbook, read only: its sheet names and, one sheet at a time, the
// text of its cells. Destroying it releases everything it holds.
class Workbook {
  public:
    virtual ~Workbook() = default;

    virtual int sheetCount() const = 0;
    // Empty for an index out of range.
    virtual QString sheetName(int index) const = 0;
    // The text cells of one sheet, or nothing (and *reason says why).
    virtual std::optional<SheetCells> readSheet(int index, QString* reason) const = 0;
};

// Which reader a file's first bytes call for.
enum class WorkbookKind { Xlsx, Xls, EncryptedXlsx, Unknown };
WorkbookKind SniffWorkbook(const QByteArray& bytes);

struct OpenedWorkbook {
    std::unique_ptr<Workbook> book;  // null on failure
    QString reason;                  // why, on failure
};

// Opens the file at path with the reader its content calls for, whatever its
// extension: a zip archive is read as .xlsx, a compound file as .xls (or
// refused when it holds an encrypted .xlsx).
OpenedWorkbook OpenWorkbook(const QString& path);

}  // namespace picura
