#include <gtest/gtest.h>

#include <QUrl>

#include "ScriptedDialogs.h"
#include "help/AboutBox.h"
#include "help/HomePage.h"
#include "platform/testing/FakeDesktopOpener.h"

using namespace picura;
using picura::test::FakeDesktopOpener;
using picura::test::ScriptedDialogs;

namespace {

TEST(AboutBox, FourLinesSeparatedByCrLf) {
    EXPECT_EQ(AboutText(), QStringLiteral("当前版本：V2.8\r\n"
                                          "软件作者：Picura 项目\r\n"
                                          "电子邮箱：无\r\n"
                                          "软件主页：https://picura.invalid/"));
}

TEST(AboutBox, ShownTitledWithOkOnlyAndNoIcon) {
    ScriptedDialogs dialogs;
    ShowAboutBox(dialogs);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& shown = dialogs.shown.front();
    EXPECT_EQ(shown.kind, ScriptedDialogs::Shown::Message);
    EXPECT_EQ(shown.title, QStringLiteral("关于本软件："));
    EXPECT_EQ(shown.text, AboutText());
    EXPECT_EQ(shown.icon, MessageIcon::None);
    EXPECT_EQ(shown.buttons, MessageButtons::Ok);
}

TEST(HomePage, AddressIsTheReservedPlaceholder) {
    const QUrl url(kHomePageUrl);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    // ".invalid" can never be registered, so the placeholder never leads to someone else's site.
    EXPECT_TRUE(url.host().endsWith(QStringLiteral(".invalid")));
}

TEST(HomePage, HandsTheAddressToTheBrowser) {
    FakeDesktopOpener opener;
    EXPECT_TRUE(OpenHomePage(opener));
    ASSERT_EQ(opener.urls.size(), 1u);
    EXPECT_EQ(opener.urls.front(), QUrl(kHomePageUrl));
    EXPECT_TRUE(opener.files.isEmpty());
}

TEST(HomePage, RefusedByTheDesktopTellsTheAddress) {
    FakeDesktopOpener opener;
    opener.accept = false;
    ScriptedDialogs dialogs;
    ShowHomePage(opener, dialogs);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().front(),
              QStringLiteral("无法打开网页浏览器，软件主页地址：https://picura.invalid/"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
}

TEST(HomePage, AcceptedShowsNothing) {
    FakeDesktopOpener opener;
    ScriptedDialogs dialogs;
    ShowHomePage(opener, dialogs);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(opener.urls.size(), 1u);
}

}  // namespace
