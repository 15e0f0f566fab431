#pragma once

#include <QString>

namespace picura {

class OperatorDialogs;

inline const QString kAboutTitle = QStringLiteral("关于本软件：");
inline const QString kProgramVersion = QStringLiteral("V2.8");
// The program is made by the Picura project, not by a person; it has no
// e-mail address, so the box says so instead of giving one.
inline const QString kAuthorName = QStringLiteral("Picura 项目");
inline const QString kContactEmail = QStringLiteral("无");

// The four lines of the About box, separated by CR LF:
// "当前版本：V2.8", "软件作者：Picura 项目", "电子邮箱：无", "软件主页：" + kHomePageUrl.
QString AboutText();

// The menu "关于": AboutText() titled kAboutTitle, one OK button, no icon.
void ShowAboutBox(OperatorDialogs& dialogs);

}  // namespace picura
