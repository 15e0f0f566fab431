// Naming pictures after an Excel roster: the Name list's state and operations, the workbook readers
// (.xlsx and .xls) and the scan that finds the part of a sheet the name grid shows.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "namelist/NameGridScan.h"
#include "namelist/SheetCells.h"
#include "namelist/Workbook.h"

namespace picura {

class OperatorDialogs;

// Which batch mode the list serves; it decides the wording. The Main window
// derives it from its mode flags, batch crop first.
enum class NameListPurpose { None, Crop, Photo };

// The purpose follows the modes, batch crop first: crop while batch-crop mode is on, photo while
// quick shoot is on, none otherwise.
NameListPurpose NameListPurposeFor(bool batchCropOn, bool quickShootOn);

// What the Name list needs of the Main window. The app implements it.
class NameListHost {
  public:
    virtual ~NameListHost() = default;
    // Read each time the wording depends on it.
    virtual NameListPurpose nameListPurpose() const = 0;
    // The current name changed (also to empty).
    virtual void nameListNameChanged(const QString& name) = 0;
    // The window is being destroyed: the workbook is released and the name is
    // empty; the Main window forgets that the list is open.
    virtual void nameListClosed() = 0;
};

namespace namelist_text {
inline const QString kImportFirst = QStringLiteral("请先导入EXCEL文件，再点击有文字的单元格。");
inline const QString kReading = QStringLiteral("数据正读入……");
inline const QString kEmptyCell = QStringLiteral("选中单元格内容为空，请点击有文字的单元格。");
inline const QString kLastRow = QStringLiteral("EXCEL光标已处于最后一行");
inline const QString kLastRowTitle = QStringLiteral("提示：");
inline const QString kImportTitle = QStringLiteral("导入Excel名单");
inline const QString kImportFilter = QStringLiteral("Excel文件(*.xls、*.xlsx) (*.xls *.xlsx)");
inline const QString kCannotRead = QStringLiteral("无法读取该EXCEL文件：");
inline const QString kCannotReadTitle = QStringLiteral("提示");
inline const QString kInitialCaption = QStringLiteral("导入EXCEL，按所选单元格文字命名即将拍照的图片");
inline const QString kInitialAutoNext = QStringLiteral("拍照后自动跳到下一行");
}  // namespace namelist_text

// The window caption and the auto-next-row check box caption of a purpose;
// nothing for purpose none (the designed captions stay).
std::optional<QString> NameListCaption(NameListPurpose purpose);
std::optional<QString> AutoNextRowCaption(NameListPurpose purpose);

// The status texts that depend on the purpose; nothing for purpose none (the
// status then keeps its previous text).
std::optional<QString> SheetReadStatus(NameListPurpose purpose);
std::optional<QString> CellChosenStatus(NameListPurpose purpose, const QString& name);
std::optional<QString> NextRowStatus(NameListPurpose purpose, const QString& name);
std::optional<QString> PurposeStatus(NameListPurpose purpose, const QString& name);

// The Name list: one workbook at a time, the sheet shown, the grid's extent
// and cursor, the current name and the status text. The window forwards its
// events here and shows what this holds.
class NameList {
  public:
    NameList(NameListHost& host, OperatorDialogs& dialogs);
    ~NameList();
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;

    // Called whenever the status text changes, so that it shows at once.
    void setStatusListener(std::function<void(const QString&)> listener) {
        statusListener_ = std::move(listener);
    }

    bool workbookLoaded() const { return book_ != nullptr; }
    const QString& currentName() const { return name_; }
    const QString& status() const { return status_; }
    const QString& workbookPath() const { return path_; }
    const QString& workbookFileName() const { return fileName_; }
    const QStringList& sheetNames() const { return sheetNames_; }
    int currentSheet() const { return sheet_; }
    const SheetCells& cells() const { return cells_; }
    GridExtent extent() const { return extent_; }
    int cursorRow() const { return cursorRow_; }
    int cursorColumn() const { return cursorColumn_; }
    // The text the grid shows at (row, column): the cell's text inside the
    // extent, empty elsewhere.
    QString gridText(int row, int column) const;

    // The window was created: start state and the first status.
    void create();
    // Asks for a workbook and imports it; false when cancelled or refused,
    // and nothing changed.
    bool importWorkbook();
    // Reads the workbook at path, lists its sheets and shows the first one.
    // A file that cannot be read is reported, and the previous workbook, sheet
    // and status stay. The current name never changes here.
    bool importWorkbookFile(const QString& path);
    // Shows another sheet of the loaded workbook; false (reported when the
    // sheet cannot be read) when nothing changed.
    bool openSheet(int index);
    // The operator clicked grid cell (row, column) inside the grid.
    void chooseCell(int row, int column);
    // After a picture was saved under the current name: the next row.
    void advanceRow();
    // The batch mode now served is purpose: the status for it.
    void setPurpose(NameListPurpose purpose);
    // The window is going away: the name is cleared and the book released.
    void destroy();

  private:
    void setName(const QString& name);
    void setStatus(const QString& text);
    void setStatus(const std::optional<QString>& text);
    void refuse(const QString& reason);

    NameListHost& host_;
    OperatorDialogs& dialogs_;
    std::function<void(const QString&)> statusListener_;
    std::unique_ptr<Workbook> book_;
    QString path_;
    QString fileName_;
    QStringList sheetNames_;
    int sheet_ = -1;
    SheetCells cells_;
    GridExtent extent_;
    int cursorRow_ = 0;
    int cursorColumn_ = 0;
    QString name_;
    QString status_;
};

}  // namespace picura
