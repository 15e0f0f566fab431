#include "help/AboutBox.h"

#include <QStringList>

#include "help/HomePage.h"
#include "platform/OperatorDialogs.h"

namespace picura {

QString AboutText() {
    return QStringList{
        QStringLiteral("当前版本：") + kProgramVersion,
        QStringLiteral("软件作者：") + kAuthorName,
        QStringLiteral("电子邮箱：") + kContactEmail,
        QStringLiteral("软件主页：") + kHomePageUrl,
    }
        .join(QStringLiteral("\r\n"));
}

void ShowAboutBox(OperatorDialogs& dialogs) {
    dialogs.message(AboutText(), kAboutTitle, MessageIcon::None, MessageButtons::Ok);
}

}  // namespace picura
