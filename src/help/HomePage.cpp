#include "help/HomePage.h"

#include <QUrl>

#include "platform/DesktopOpener.h"
#include "platform/OperatorDialogs.h"

namespace picura {

QString HomePageFailedMessage() {
    return kHomePageFailedText + kHomePageUrl;
}

bool OpenHomePage(DesktopOpener& opener) {
    return opener.openUrl(QUrl(kHomePageUrl));
}

void ShowHomePage(DesktopOpener& opener, OperatorDialogs& dialogs) {
    if (!OpenHomePage(opener)) {
        dialogs.tell(HomePageFailedMessage(), QStringLiteral("提示"), MessageIcon::Information);
    }
}

}  // namespace picura
