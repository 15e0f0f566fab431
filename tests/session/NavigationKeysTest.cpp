#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTest>
#include <QWindow>

#include <vector>

#include "platform/LayeredKeyGrabber.h"
#include "platform/testing/FakeKeyGrabber.h"
#include "session/NavigationKeys.h"

namespace picura {
namespace {

using testing::FakeKeyGrabber;
using Key = NavigationKey;

class NavigationKeysTest : public ::testing::Test {
  protected:
    NavigationKeysTest() {
        auto grabber = std::make_unique<FakeKeyGrabber>();
        fake = grabber.get();
        keys = std::make_unique<NavigationKeys>(&mainWindow, std::move(grabber),
                                                [this](bool next) { requests.push_back(next); });
    }

    // Some event other than a key reaching the Main window (a repaint, a timer, the mouse).
    void OtherWindowEvent() {
        QEvent event(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(&mainWindow, &event);
    }

    QObject mainWindow;
    FakeKeyGrabber* fake = nullptr;
    std::unique_ptr<NavigationKeys> keys;
    std::vector<bool> requests;  // true = next
};

TEST_F(NavigationKeysTest, NextAndPreviousLettersAskForTheirDirection) {
    keys->RegisterNavigationKeys();
    for (Key key : kAllNavigationKeys) {
        fake->Press(key);
        OtherWindowEvent();
    }
    EXPECT_EQ(requests, (std::vector<bool>{true, true, false, false}));
}

TEST_F(NavigationKeysTest, SameDirectionBackToBackMovesOnce) {
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true}));
    // S is the same direction as A: still swallowed.
    fake->Press(Key::S);
    EXPECT_EQ(requests, (std::vector<bool>{true}));

    requests.clear();
    fake->Press(Key::D);
    fake->Press(Key::D);
    fake->Press(Key::F);
    EXPECT_EQ(requests, (std::vector<bool>{false}));
}

TEST_F(NavigationKeysTest, AnotherWindowEventInBetweenReArmsTheKey) {
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    OtherWindowEvent();
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true, true}));
    EXPECT_TRUE(keys->LastWasNext());
    OtherWindowEvent();
    EXPECT_FALSE(keys->LastWasNext());
}

TEST_F(NavigationKeysTest, EventsOfOtherObjectsDoNotReArm) {
    QObject elsewhere;
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    QEvent event(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(&elsewhere, &event);
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true}));
}

TEST_F(NavigationKeysTest, ChangeOfDirectionAlwaysMoves) {
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    fake->Press(Key::D);
    fake->Press(Key::S);
    fake->Press(Key::F);
    EXPECT_EQ(requests, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(keys->LastWasNext());
    EXPECT_TRUE(keys->LastWasPrevious());
}

TEST_F(NavigationKeysTest, EventsSentWhileHandlingAKeyDoNotReArmIt) {
    // The handler loads a picture, which sends the window events of its own (title, layout...).
    keys = nullptr;
    auto grabber = std::make_unique<FakeKeyGrabber>();
    fake = grabber.get();
    keys = std::make_unique<NavigationKeys>(&mainWindow, std::move(grabber), [this](bool next) {
        requests.push_back(next);
        OtherWindowEvent();
    });
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true}));
}

TEST_F(NavigationKeysTest, RegisterAndUnregisterAreIdempotent) {
    EXPECT_FALSE(keys->IsRegistered());
    keys->UnregisterNavigationKeys();
    EXPECT_EQ(fake->releaseCalls, 0);

    keys->RegisterNavigationKeys();
    keys->RegisterNavigationKeys();
    EXPECT_TRUE(keys->IsRegistered());
    EXPECT_EQ(fake->grabCalls, 1);
    EXPECT_EQ(fake->lastRequested, NavigationKeySet::All());

    // A second registration must not reset the repeat rule either.
    fake->Press(Key::A);
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true}));

    keys->UnregisterNavigationKeys();
    keys->UnregisterNavigationKeys();
    EXPECT_FALSE(keys->IsRegistered());
    EXPECT_EQ(fake->releaseCalls, 1);
    EXPECT_TRUE(fake->Held().Empty());
}

TEST_F(NavigationKeysTest, UnregisterClearsTheRepeatFlags) {
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    EXPECT_TRUE(keys->LastWasNext());
    keys->UnregisterNavigationKeys();
    EXPECT_FALSE(keys->LastWasNext());
    EXPECT_FALSE(keys->LastWasPrevious());

    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true, true}));

    fake->Press(Key::D);
    keys->UnregisterNavigationKeys();
    EXPECT_FALSE(keys->LastWasPrevious());
}

TEST_F(NavigationKeysTest, NothingArrivesWhileUnregistered) {
    fake->Press(Key::A);
    keys->RegisterNavigationKeys();
    keys->UnregisterNavigationKeys();
    fake->Press(Key::S);
    fake->Press(Key::D);
    EXPECT_TRUE(requests.empty());
    // Nor does the window's own traffic touch the flags then.
    OtherWindowEvent();
    EXPECT_FALSE(keys->LastWasNext());
}

TEST_F(NavigationKeysTest, AKeyHeldElsewhereIsSkippedAndTheOthersWork) {
    fake->ownedElsewhere = {Key::S};
    keys->RegisterNavigationKeys();
    EXPECT_EQ(keys->GrabbedKeys(), (NavigationKeySet{Key::A, Key::D, Key::F}));
    fake->Press(Key::S);
    fake->Press(Key::F);
    EXPECT_EQ(requests, (std::vector<bool>{false}));
}

TEST_F(NavigationKeysTest, HandlerMayUnregisterTheKeys) {
    keys = nullptr;
    auto grabber = std::make_unique<FakeKeyGrabber>();
    fake = grabber.get();
    keys = std::make_unique<NavigationKeys>(&mainWindow, std::move(grabber), [this](bool next) {
        requests.push_back(next);
        keys->UnregisterNavigationKeys();  // the last picture of the batch
    });
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    EXPECT_FALSE(keys->IsRegistered());
    EXPECT_FALSE(keys->LastWasNext());
    keys->RegisterNavigationKeys();
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true, true}));
}

TEST_F(NavigationKeysTest, DestroyingReleasesTheKeysAndSurvivesTheWindowGoingFirst) {
    auto window = std::make_unique<QObject>();
    auto grabber = std::make_unique<FakeKeyGrabber>();
    FakeKeyGrabber* fakeGrabber = grabber.get();
    auto other = std::make_unique<NavigationKeys>(window.get(), std::move(grabber), [](bool) {});
    other->RegisterNavigationKeys();
    window = nullptr;
    other->UnregisterNavigationKeys();
    other->RegisterNavigationKeys();
    EXPECT_EQ(fakeGrabber->grabCalls, 2);
    other = nullptr;  // destroys the grabber too; must not touch the window that is gone
}

TEST(LayeredKeyGrabberTest, KeysTheDesktopRefusesGoToTheFallback) {
    auto desktop = std::make_unique<FakeKeyGrabber>();
    auto fallback = std::make_unique<FakeKeyGrabber>();
    FakeKeyGrabber* desktopFake = desktop.get();
    FakeKeyGrabber* fallbackFake = fallback.get();
    desktopFake->ownedElsewhere = {NavigationKey::D, NavigationKey::F};
    LayeredKeyGrabber layered(std::move(desktop), std::move(fallback));

    std::vector<NavigationKey> pressed;
    const NavigationKeySet taken =
        layered.Grab(NavigationKeySet::All(), [&](NavigationKey key) { pressed.push_back(key); });
    EXPECT_EQ(taken, NavigationKeySet::All());
    EXPECT_EQ(layered.DesktopKeys(), (NavigationKeySet{NavigationKey::A, NavigationKey::S}));
    EXPECT_EQ(fallbackFake->lastRequested, (NavigationKeySet{NavigationKey::D, NavigationKey::F}));

    desktopFake->Press(NavigationKey::A);
    fallbackFake->Press(NavigationKey::F);
    EXPECT_EQ(pressed, (std::vector<NavigationKey>{NavigationKey::A, NavigationKey::F}));

    layered.Release();
    EXPECT_TRUE(desktopFake->Held().Empty());
    EXPECT_TRUE(fallbackFake->Held().Empty());
    EXPECT_TRUE(layered.DesktopKeys().Empty());
}

TEST_F(NavigationKeysTest, LentKeysAreGivenBackAndTakenAgainWithoutLosingTheRegistration) {
    keys->RegisterNavigationKeys();
    keys->SetLent(true);
    EXPECT_TRUE(fake->Held().Empty());
    EXPECT_TRUE(keys->GrabbedKeys().Empty());
    EXPECT_TRUE(keys->IsRegistered());
    fake->Press(Key::A);
    EXPECT_TRUE(requests.empty());

    // Registering while lent takes nothing until the keys come back.
    keys->UnregisterNavigationKeys();
    keys->RegisterNavigationKeys();
    EXPECT_TRUE(fake->Held().Empty());
    keys->SetLent(false);
    EXPECT_EQ(fake->Held(), NavigationKeySet::All());
    fake->Press(Key::A);
    EXPECT_EQ(requests, (std::vector<bool>{true}));

    // Unregistered keys stay released when the lending ends.
    keys->SetLent(true);
    keys->UnregisterNavigationKeys();
    keys->SetLent(false);
    EXPECT_TRUE(fake->Held().Empty());
    EXPECT_FALSE(keys->IsRegistered());
}

// Our own dialogs getting the keyboard focus lend the keys to them; the Main window getting it back
// takes them again.
TEST_F(NavigationKeysTest, KeysFollowTheFocusBetweenTheMainWindowAndOurDialogs) {
    QWindow main;
    QWindow dialog;
    main.setGeometry(0, 0, 200, 100);
    dialog.setGeometry(50, 50, 100, 60);
    main.show();
    dialog.show();
    keys->LendToOtherWindows([&main](const QWindow* w) { return w == &main; });
    keys->RegisterNavigationKeys();

    main.requestActivate();
    QTRY_VERIFY(QGuiApplication::focusWindow() == &main);
    EXPECT_FALSE(keys->IsLent());
    EXPECT_EQ(fake->Held(), NavigationKeySet::All());

    dialog.requestActivate();
    QTRY_VERIFY(keys->IsLent());
    EXPECT_TRUE(fake->Held().Empty());
    EXPECT_TRUE(keys->IsRegistered());

    main.requestActivate();
    QTRY_VERIFY(!keys->IsLent());
    EXPECT_EQ(fake->Held(), NavigationKeySet::All());

    // A dialog that closes gives the keys back even before any window gets the focus.
    dialog.requestActivate();
    QTRY_VERIFY(keys->IsLent());
    dialog.hide();
    EXPECT_FALSE(keys->IsLent());
    EXPECT_EQ(fake->Held(), NavigationKeySet::All());
}

TEST(LayeredKeyGrabberTest, FallbackIsNotAskedWhenTheDesktopTookEverything) {
    auto fallback = std::make_unique<FakeKeyGrabber>();
    FakeKeyGrabber* fallbackFake = fallback.get();
    LayeredKeyGrabber layered(std::make_unique<FakeKeyGrabber>(), std::move(fallback));
    EXPECT_EQ(layered.Grab(NavigationKeySet::All(), [](NavigationKey) {}), NavigationKeySet::All());
    EXPECT_EQ(fallbackFake->grabCalls, 0);
}

}  // namespace
}  // namespace picura
