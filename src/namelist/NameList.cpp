#include "namelist/NameList.h"

#include <QStandardPaths>

#include "platform/OperatorDialogs.h"

namespace picura {
namespace {

QString Quoted(const QString& name) {
    return QStringLiteral("以“") + name + QStringLiteral("”");
}

}  // namespace

NameListPurpose NameListPurposeFor(bool batchCropOn, bool quickShootOn) {
    if (batchCropOn) {
        return NameListPurpose::Crop;
    }
    return quickShootOn ? NameListPurpose::Photo : NameListPurpose::None;
}

std::optional<QString> NameListCaption(NameListPurpose purpose) {
    switch (purpose) {
        case NameListPurpose::Crop: return QStringLiteral("导入EXCEL，按所选单元格文字命名即将截取的图片");
        case NameListPurpose::Photo: return QStringLiteral("导入EXCEL，按所选单元格文字命名即将拍照的图片");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

std::optional<QString> AutoNextRowCaption(NameListPurpose purpose) {
    switch (purpose) {
        case NameListPurpose::Crop: return QStringLiteral("截图后自动跳到下一行");
        case NameListPurpose::Photo: return QStringLiteral("拍照后自动跳到下一行");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

std::optional<QString> SheetReadStatus(NameListPurpose purpose) {
    switch (purpose) {
        case NameListPurpose::Crop:
            return QStringLiteral("请点击有文字的单元格，以其文字命名即将截取的图片。");
        case NameListPurpose::Photo:
            return QStringLiteral("请点击有文字的单元格，以其文字命名即将拍照的图片。");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

std::optional<QString> CellChosenStatus(NameListPurpose purpose, const QString& name) {
    switch (purpose) {
        case NameListPurpose::Crop:
            return Quoted(name) + QStringLiteral("命名即将截取的图片，如截图多幅加序号区分。");
        case NameListPurpose::Photo:
            return Quoted(name) + QStringLiteral("命名即将拍照的图片，如拍照多幅加序号区分。");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

std::optional<QString> NextRowStatus(NameListPurpose purpose, const QString& name) {
    switch (purpose) {
        case NameListPurpose::Crop:
            return Quoted(name) + QStringLiteral("命名即将截取的图片，如截多幅加序号区分。");
        case NameListPurpose::Photo:
            return Quoted(name) + QStringLiteral("命名即将拍照的图片，如拍多幅加序号区分。");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

std::optional<QString> PurposeStatus(NameListPurpose purpose, const QString& name) {
    if (name.isEmpty()) {
        return SheetReadStatus(purpose);
    }
    switch (purpose) {
        case NameListPurpose::Crop:
            return Quoted(name) + QStringLiteral("命名即将截取的图片，如截图多幅加序号区分。");
        case NameListPurpose::Photo:
            // The photo wording says 截图 here, as it always has.
            return Quoted(name) + QStringLiteral("命名即将拍照的图片，如截图多幅加序号区分。");
        case NameListPurpose::None: break;
    }
    return std::nullopt;
}

NameList::NameList(NameListHost& host, OperatorDialogs& dialogs) : host_(host), dialogs_(dialogs) {}

NameList::~NameList() = default;

QString NameList::gridText(int row, int column) const {
    if (row < 0 || column < 0 || row > extent_.lastRow || column > extent_.lastColumn) {
        return QString();
    }
    return cells_.text(row, column);
}

void NameList::create() {
    book_.reset();
    path_.clear();
    fileName_.clear();
    sheetNames_.clear();
    sheet_ = -1;
    cells_ = SheetCells();
    extent_ = GridExtent();
    cursorRow_ = 0;
    cursorColumn_ = 0;
    setName(QString());
    setStatus(namelist_text::kImportFirst);
}

bool NameList::importWorkbook() {
    FileDialogRequest request;
    request.title = namelist_text::kImportTitle;
    request.filter = namelist_text::kImportFilter;
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    request.startFolder = desktop.isEmpty() ? QString() : desktop + QLatin1Char('/');
    const std::optional<QString> path = dialogs_.openFile(request);
    if (!path || path->isEmpty()) {
        return false;
    }
    return importWorkbookFile(*path);
}

bool NameList::importWorkbookFile(const QString& path) {
    const QString before = status_;
    setStatus(namelist_text::kReading);

    OpenedWorkbook opened = OpenWorkbook(path);
    if (!opened.book) {
        setStatus(before);
        refuse(opened.reason);
        return false;
    }
    if (opened.book->sheetCount() < 1) {
        setStatus(before);
        refuse(workbook_reason::kNoSheets);
        return false;
    }
    QString reason;
    std::optional<SheetCells> first = opened.book->readSheet(0, &reason);
    if (!first) {
        setStatus(before);
        refuse(reason);
        return false;
    }
    GridExtent extent = ScanExtent(*first);
    if (extent.lastRow < 0) {
        // Refuse a workbook with no text anywhere: nothing in it can name a picture.
        bool anyText = false;
        for (int i = 1; i < opened.book->sheetCount() && !anyText; ++i) {
            const std::optional<SheetCells> other = opened.book->readSheet(i, nullptr);
            anyText = other && ScanExtent(*other).lastRow >= 0;
        }
        if (!anyText) {
            setStatus(before);
            refuse(workbook_reason::kNoText);
            return false;
        }
    }

    book_ = std::move(opened.book);
    path_ = path;
    fileName_ = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    sheetNames_.clear();
    for (int i = 0; i < book_->sheetCount(); ++i) {
        sheetNames_ << book_->sheetName(i);
    }
    sheet_ = 0;
    cells_ = std::move(*first);
    extent_ = extent;
    cursorRow_ = 0;
    cursorColumn_ = 0;
    setStatus(SheetReadStatus(host_.nameListPurpose()));
    return true;
}

bool NameList::openSheet(int index) {
    if (!book_ || index < 0 || index >= book_->sheetCount()) {
        return false;
    }
    const QString before = status_;
    setStatus(namelist_text::kReading);
    QString reason;
    std::optional<SheetCells> cells = book_->readSheet(index, &reason);
    if (!cells) {
        setStatus(before);
        refuse(reason);
        return false;
    }
    sheet_ = index;
    extent_ = ScanExtent(*cells);
    cells_ = std::move(*cells);
    cursorRow_ = 0;
    cursorColumn_ = 0;
    setStatus(SheetReadStatus(host_.nameListPurpose()));
    return true;
}

void NameList::chooseCell(int row, int column) {
    const bool inside = row >= 0 && column >= 0 && row < extent_.rowCount() && column < extent_.columnCount();
    if (book_ && !inside) {
        // Beyond the last column or below the last row: nothing happens.
        return;
    }
    cursorRow_ = row;
    cursorColumn_ = column;
    setName(CleanCellText(gridText(row, column)));
    if (!name_.isEmpty()) {
        setStatus(CellChosenStatus(host_.nameListPurpose(), name_));
    } else {
        setStatus(book_ ? namelist_text::kEmptyCell : namelist_text::kImportFirst);
    }
}

void NameList::advanceRow() {
    if (cursorRow_ < extent_.rowCount() - 1) {
        ++cursorRow_;
        setName(CleanCellText(gridText(cursorRow_, cursorColumn_)));
        if (!name_.isEmpty()) {
            setStatus(NextRowStatus(host_.nameListPurpose(), name_));
        } else {
            setStatus(namelist_text::kEmptyCell);
        }
        return;
    }
    dialogs_.tell(namelist_text::kLastRow, namelist_text::kLastRowTitle, MessageIcon::None);
}

void NameList::setPurpose(NameListPurpose purpose) {
    if (book_) {
        setStatus(PurposeStatus(purpose, name_));
    }
}

void NameList::destroy() {
    setName(QString());
    book_.reset();
    cells_ = SheetCells();
    extent_ = GridExtent();
    sheet_ = -1;
}

void NameList::setName(const QString& name) {
    if (name == name_) {
        return;
    }
    name_ = name;
    host_.nameListNameChanged(name_);
}

void NameList::setStatus(const QString& text) {
    status_ = text;
    if (statusListener_) {
        statusListener_(status_);
    }
}

void NameList::setStatus(const std::optional<QString>& text) {
    if (text) {
        setStatus(*text);
    }
}

void NameList::refuse(const QString& reason) {
    dialogs_.tell(namelist_text::kCannotRead + reason, namelist_text::kCannotReadTitle, MessageIcon::None);
}

}  // namespace picura
