#include "settings/SettingsFolder.h"

#include <QDir>
#include <QTemporaryFile>

namespace picura {
namespace {

bool CanWriteIn(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        return false;
    }
    QTemporaryFile probe(folder + QStringLiteral("/.probe-XXXXXX"));
    return probe.open();
}

}  // namespace

QString PrepareSettingsFolder(const QString& programFolder, const QString& fallbackBase) {
    const QString beside = programFolder + QLatin1Char('/') + kSettingsFolderName;
    if (CanWriteIn(beside) || fallbackBase.isEmpty()) {
        return beside;
    }
    const QString fallback = QDir::cleanPath(fallbackBase) + QLatin1Char('/') + kSettingsFolderName;
    if (CanWriteIn(fallback)) {
        return fallback;
    }
    return beside;  // nothing is writable: reads give defaults, writes fail silently
}

}  // namespace picura
