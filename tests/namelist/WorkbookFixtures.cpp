#include "WorkbookFixtures.h"

#include <QFile>

#include <xlsxwriter.h>
#include <zip.h>

namespace picura::test {

bool WriteRosterXlsx(const QString& path) {
    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    if (!wb) {
        return false;
    }
    lxw_worksheet* a = workbook_add_worksheet(wb, "一年级");
    worksheet_write_string(a, 0, 0, "姓名", nullptr);
    worksheet_write_string(a, 0, 1, "学号", nullptr);
    worksheet_write_string(a, 0, 2, "班级", nullptr);
    const char* names[] = {"张三", "李四", "  王五\t ", "赵六", "Émile"};
    for (int i = 0; i < 5; ++i) {
        worksheet_write_string(a, static_cast<lxw_row_t>(i + 1), 0, names[i], nullptr);
        worksheet_write_number(a, static_cast<lxw_row_t>(i + 1), 1, 1001 + i, nullptr);
        if (i != 3) {
            worksheet_write_string(a, static_cast<lxw_row_t>(i + 1), 2, i < 2 ? "一班" : "二班", nullptr);
        }
    }
    lxw_worksheet* b = workbook_add_worksheet(wb, "二年级");
    worksheet_write_string(b, 0, 0, "钱七", nullptr);
    worksheet_write_string(b, 1, 0, "孙八", nullptr);
    worksheet_write_boolean(b, 2, 0, 1, nullptr);
    workbook_add_worksheet(wb, "空表");
    return workbook_close(wb) == LXW_NO_ERROR;
}

bool WriteTextXlsx(const QString& path, const QString& sheetName, const std::vector<TextCell>& cells) {
    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    if (!wb) {
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(wb, sheetName.toUtf8().constData());
    for (const TextCell& c : cells) {
        worksheet_write_string(sheet, static_cast<lxw_row_t>(c.row), static_cast<lxw_col_t>(c.column),
                               c.text.toUtf8().constData(), nullptr);
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

bool WriteZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries) {
    QFile::remove(path);
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) {
        return false;
    }
    for (const auto& [name, bytes] : entries) {
        // libzip reads the buffer at zip_close: keep a copy alive until then.
        char* copy = static_cast<char*>(malloc(static_cast<std::size_t>(bytes.size()) + 1));
        memcpy(copy, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        zip_source_t* source = zip_source_buffer(zip, copy, static_cast<zip_uint64_t>(bytes.size()), 1);
        const zip_int64_t index =
            source ? zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
        // The fastest deflate: large test entries are runs of one byte.
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    return zip_close(zip) == 0;
}

std::vector<std::pair<QString, QByteArray>> MinimalXlsxParts(const QString& sheetPart,
                                                             const QByteArray& sheetData,
                                                             const QByteArray& sharedStrings) {
    const QByteArray ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<std::pair<QString, QByteArray>> parts;
    parts.emplace_back(
        "_rels/.rels",
        "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
        "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
            ns + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    parts.emplace_back(
        "xl/workbook.xml",
        "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/"
        "spreadsheetml/2006/main\" xmlns:r=\"" +
            ns + "\"><sheets><sheet name=\"名单\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>");
    QByteArray rels =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
        "2006/relationships\"><Relationship Id=\"rId7\" Type=\"" +
        ns + "/worksheet\" Target=\"" + sheetPart.toUtf8() + "\"/>";
    if (!sharedStrings.isEmpty()) {
        rels += "<Relationship Id=\"rId8\" Type=\"" + ns + "/sharedStrings\" Target=\"strings/all.xml\"/>";
        parts.emplace_back(
            "xl/strings/all.xml",
            "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
            "2006/main\">" +
                sharedStrings + "</sst>");
    }
    rels += "</Relationships>";
    parts.emplace_back("xl/_rels/workbook.xml.rels", rels);
    QString part = sheetPart.startsWith('/') ? sheetPart.mid(1) : "xl/" + sheetPart;
    parts.emplace_back(
        part,
        "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
        "2006/main\"><sheetData>" +
            sheetData + "</sheetData></worksheet>");
    return parts;
}

QString DataFile(const QString& name) {
    return QStringLiteral(PICURA_NAMELIST_DATA "/") + name;
}

}  // namespace picura::test
