#include "platform/DesktopOpener.h"

#include <QDesktopServices>

namespace picura {

bool SystemDesktopOpener::openLocalFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool SystemDesktopOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace picura
