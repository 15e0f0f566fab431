#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QWidget>

#include <vector>

#include "platform/FocusKeyGrabber.h"
#include "platform/MakeGlobalKeyGrabber.h"
#include "platform/X11KeyGrabber.h"
#include "session/NavigationKeys.h"

namespace picura {
namespace {

// An active window with a text field holding the keyboard focus.
class FocusKeyGrabberTest : public ::testing::Test {
  protected:
    void SetUp() override {
        edit = new QLineEdit(&window);
        window.resize(200, 60);
        window.show();
        window.activateWindow();
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    QLineEdit* edit = nullptr;
    FocusKeyGrabber grabber;
    std::vector<NavigationKey> pressed;
    GlobalKeyGrabber::PressHandler record = [this](NavigationKey key) { pressed.push_back(key); };
};

TEST_F(FocusKeyGrabberTest, PlainLettersAreTakenBeforeTheFocusedWidget) {
    EXPECT_EQ(grabber.Grab(NavigationKeySet::All(), record), NavigationKeySet::All());
    QTest::keyClicks(edit, "asdf");
    EXPECT_EQ(pressed, (std::vector<NavigationKey>{NavigationKey::A, NavigationKey::S, NavigationKey::D,
                                                   NavigationKey::F}));
    EXPECT_EQ(edit->text(), QString());
}

TEST_F(FocusKeyGrabberTest, OtherKeysAndModifiedLettersPassThrough) {
    grabber.Grab(NavigationKeySet::All(), record);
    QTest::keyClick(edit, Qt::Key_B);
    QTest::keyClick(edit, 'A', Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);  // select all: leaves the text alone
    EXPECT_TRUE(pressed.empty());
    EXPECT_EQ(edit->text(), QStringLiteral("bA"));
}

TEST_F(FocusKeyGrabberTest, OnlyTheRequestedKeysAreTaken) {
    EXPECT_EQ(grabber.Grab({NavigationKey::D}, record), NavigationKeySet{NavigationKey::D});
    QTest::keyClicks(edit, "ad");
    EXPECT_EQ(pressed, (std::vector<NavigationKey>{NavigationKey::D}));
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
}

TEST_F(FocusKeyGrabberTest, ReleasedKeysTypeAgain) {
    grabber.Grab(NavigationKeySet::All(), record);
    grabber.Release();
    grabber.Release();
    QTest::keyClicks(edit, "as");
    EXPECT_TRUE(pressed.empty());
    EXPECT_EQ(edit->text(), QStringLiteral("as"));
}

TEST_F(FocusKeyGrabberTest, AShortcutOnTheSameLetterDoesNotFireInstead) {
    int shortcutHits = 0;
    QShortcut shortcut(QKeySequence(Qt::Key_S), &window);
    QObject::connect(&shortcut, &QShortcut::activated, [&] { ++shortcutHits; });
    grabber.Grab(NavigationKeySet::All(), record);
    QTest::keyClick(edit, Qt::Key_S);
    EXPECT_EQ(shortcutHits, 0);
    EXPECT_EQ(pressed, (std::vector<NavigationKey>{NavigationKey::S}));
}

TEST_F(FocusKeyGrabberTest, HandlerMayReleaseTheKeys) {
    grabber.Grab(NavigationKeySet::All(), [&](NavigationKey key) {
        pressed.push_back(key);
        grabber.Release();
    });
    QTest::keyClicks(edit, "aa");
    EXPECT_EQ(pressed, (std::vector<NavigationKey>{NavigationKey::A}));
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
}

TEST_F(FocusKeyGrabberTest, KeyReleasesOfTheTakenKeysDoNotReArmNavigation) {
    // A held key sends press/release pairs; the releases must not count as "another event" of the
    // Main window, or every auto-repeat would move a picture.
    int moves = 0;
    NavigationKeys keys(&window, std::make_unique<FocusKeyGrabber>(), [&](bool) { ++moves; });
    keys.RegisterNavigationKeys();
    QTest::keyClick(&window, Qt::Key_A);
    QTest::keyClick(&window, Qt::Key_A);
    EXPECT_EQ(moves, 1);
    window.update();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        QTest::keyClick(&window, Qt::Key_A);
        return moves == 2;
    }));
}

TEST(MakeGlobalKeyGrabberTest, WithoutX11TheFocusGrabberIsUsed) {
    ASSERT_NE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EXPECT_EQ(X11KeyGrabber::ForApplication(), nullptr);
    for (const char* choice : {"", "x11", "focus", "nonsense"}) {
        qputenv("PICURA_GLOBAL_KEYS", choice);
        std::unique_ptr<GlobalKeyGrabber> grabber = MakeGlobalKeyGrabber();
        EXPECT_NE(dynamic_cast<FocusKeyGrabber*>(grabber.get()), nullptr) << choice;
    }
    qunsetenv("PICURA_GLOBAL_KEYS");
}

}  // namespace
}  // namespace picura
