#pragma once

#include <QString>

namespace picura {

class DesktopOpener;
class OperatorDialogs;

// The Picura project's home page. A placeholder: the project has no web site
// yet, and ".invalid" is a reserved name that can never belong to anyone else.
// Replace it when the project has a site.
inline const QString kHomePageUrl = QStringLiteral("https://picura.invalid/");

// Shown (title "提示", OK button) when the desktop has no web browser to take the address.
inline const QString kHomePageFailedText = QStringLiteral("无法打开网页浏览器，软件主页地址：");
QString HomePageFailedMessage();  // kHomePageFailedText + kHomePageUrl

// The toolbar's "主页": hands the home page to the web browser. False when the
// desktop refused it.
bool OpenHomePage(DesktopOpener& opener);
// OpenHomePage, then HomePageFailedMessage() (title "提示", OK) when it was refused.
void ShowHomePage(DesktopOpener& opener, OperatorDialogs& dialogs);

}  // namespace picura
