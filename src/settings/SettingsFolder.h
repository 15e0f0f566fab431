#pragma once

#include <QString>

namespace picura {

inline const QString kSettingsFolderName = QStringLiteral("头像采集设置");

// The folder for settings, task file and temporary pictures: "头像采集设置" next
// to the program. When that cannot be created or written (an installed program
// in a read-only folder), the same name under `fallbackBase` (the user's
// configuration folder) is used, so confirmed settings are kept. The folder is
// created when missing; the path has no trailing slash.
QString PrepareSettingsFolder(const QString& programFolder, const QString& fallbackBase);

}  // namespace picura
