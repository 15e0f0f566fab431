#pragma once

#include "namelist/Workbook.h"

namespace picura {

// Opens a binary Excel 97-2003 workbook through FreeXL.
OpenedWorkbook OpenXlsWorkbook(const QString& path);

}  // namespace picura
