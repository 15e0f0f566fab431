#pragma once

#include <QByteArray>

#include "namelist/Workbook.h"

namespace picura {

// Bounds on what one .xlsx may make us inflate: every archive entry, and all
// entries read by one operation (opening, or reading one sheet) together. A zip
// bomb stops at these bounds instead of filling the memory.
struct XlsxLimits {
    qint64 entryBytes = 64 * 1024 * 1024;
    qint64 totalBytes = 192 * 1024 * 1024;
};

// Opens an Office Open XML workbook held in memory (libzip over the bytes,
// QXmlStreamReader over the parts). Sheets are found through the workbook's
// relationships, so their part names do not matter.
OpenedWorkbook OpenXlsxWorkbook(QByteArray bytes, XlsxLimits limits = {});

}  // namespace picura
