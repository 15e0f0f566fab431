#include "namelist/XlsWorkbook.h"

#include <QFile>

#include <freexl.h>

namespace picura {
namespace {

class XlsWorkbook : public Workbook {
  public:
    explicit XlsWorkbook(const void* handle) : handle_(handle) {
        unsigned int count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            count = 0;
        }
        for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) == FREEXL_OK &&
                name) {
                names_ << QString::fromUtf8(name);
            } else {
                names_ << QString();
            }
        }
    }
    ~XlsWorkbook() override { freexl_close(handle_); }
    XlsWorkbook(const XlsWorkbook&) = delete;
    XlsWorkbook& operator=(const XlsWorkbook&) = delete;

    int sheetCount() const override { return static_cast<int>(names_.size()); }
    QString sheetName(int index) const override { return names_.value(index); }

    std::optional<SheetCells> readSheet(int index, QString* reason) const override {
        if (index < 0 || index >= sheetCount() ||
            freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)) != FREEXL_OK) {
            if (reason) {
                *reason = workbook_reason::kDamaged;
            }
            return std::nullopt;
        }
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK) {
            rows = 0;
            columns = 0;
        }
        SheetCells cells;
        const unsigned int lastRow = std::min<unsigned int>(rows, SheetCells::kMaxRows);
        for (unsigned int r = 0; r < lastRow; ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(handle_, r, c, &value) != FREEXL_OK) {
                    continue;
                }
                if ((value.type == FREEXL_CELL_TEXT || value.type == FREEXL_CELL_SST_TEXT) &&
                    value.value.text_value) {
                    cells.set(static_cast<int>(r), c, QString::fromUtf8(value.value.text_value));
                }
            }
        }
        return cells;
    }

  private:
    const void* handle_;
    QStringList names_;
};

}  // namespace

OpenedWorkbook OpenXlsWorkbook(const QString& path) {
    const void* handle = nullptr;
    const int rc = freexl_open(QFile::encodeName(path).constData(), &handle);
    if (rc != FREEXL_OK) {
        if (handle) {
            freexl_close(handle);
        }
        switch (rc) {
            case FREEXL_FILE_NOT_FOUND: return {nullptr, workbook_reason::kCannotOpen};
            case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            case FREEXL_INVALID_CFBF_HEADER: return {nullptr, workbook_reason::kNotWorkbook};
            case FREEXL_INSUFFICIENT_MEMORY: return {nullptr, workbook_reason::kTooLarge};
            default: return {nullptr, workbook_reason::kDamaged};
        }
    }
    unsigned int password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(handle);
        return {nullptr, workbook_reason::kEncrypted};
    }
    return {std::make_unique<XlsWorkbook>(handle), QString()};
}

}  // namespace picura
