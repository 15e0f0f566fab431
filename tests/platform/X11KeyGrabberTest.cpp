// The X11 grab against a real X server (started by run_x11_tests.sh under xvfb-run). Keys are typed
// with xdotool through XTEST, the way a keyboard would, while a window of a second process — the
// "witness", this same binary started with --witness — has the focus and reports what it receives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextStream>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <ostream>
#include <vector>

#include "platform/LayeredKeyGrabber.h"
#include "platform/MakeGlobalKeyGrabber.h"
#include "platform/X11KeyGrabber.h"
#include "session/NavigationKeys.h"

// Readable QStrings in failure messages.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace picura {
namespace {

constexpr int kTimeoutMs = 5000;

QString KeyName(NavigationKey key) {
    switch (key) {
        case NavigationKey::A: return QStringLiteral("a");
        case NavigationKey::S: return QStringLiteral("s");
        case NavigationKey::D: return QStringLiteral("d");
        case NavigationKey::F: return QStringLiteral("f");
    }
    return {};
}

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// The witness: a focused window that prints every key it gets ("key x"), and optionally holds some
// letters with its own grab ("held x" when one is pressed).
class WitnessWindow final : public QWidget {
  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->text().isEmpty()) {
            Say(QStringLiteral("key ") + event->text());
        }
    }
};

int RunWitness(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    NavigationKeySet hold;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--hold") == 0) {
            for (NavigationKey key : kAllNavigationKeys) {
                if (QString::fromLatin1(argv[i + 1]).contains(KeyName(key))) {
                    hold.Insert(key);
                }
            }
        }
    }
    std::unique_ptr<X11KeyGrabber> grabber = X11KeyGrabber::ForApplication();
    if (!grabber) {
        Say(QStringLiteral("no-x11"));
        return 1;
    }
    const NavigationKeySet held =
        grabber->Grab(hold, [](NavigationKey key) { Say(QStringLiteral("held ") + KeyName(key)); });
    QString heldNames;
    for (NavigationKey key : kAllNavigationKeys) {
        heldNames += held.Contains(key) ? KeyName(key) : QString();
    }
    Say(QStringLiteral("holding ") + heldNames);

    WitnessWindow window;
    window.setWindowTitle(QStringLiteral("key witness"));
    window.resize(200, 100);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    Say(QStringLiteral("ready ") + QString::number(window.winId()));
    return app.exec();
}

// One witness process, its output read as it comes.
class Witness {
  public:
    explicit Witness(const QStringList& extraArgs = {}) {
        process_.setProgram(QCoreApplication::applicationFilePath());
        process_.setArguments(QStringList{QStringLiteral("--witness")} + extraArgs);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ~Witness() {
        process_.kill();
        process_.waitForFinished(kTimeoutMs);
    }

    // Lines printed so far.
    const QStringList& Lines() {
        buffer_ += QString::fromUtf8(process_.readAllStandardOutput());
        qsizetype end;
        while ((end = buffer_.indexOf(QLatin1Char('\n'))) >= 0) {
            lines_ << buffer_.left(end);
            buffer_.remove(0, end + 1);
        }
        return lines_;
    }

    // The text of every "<prefix> " line, joined.
    QString Collected(const QString& prefix) {
        QString text;
        for (const QString& line : Lines()) {
            if (line.startsWith(prefix + QLatin1Char(' '))) {
                text += line.mid(prefix.size() + 1);
            }
        }
        return text;
    }

    bool WaitForCollected(const QString& prefix, const QString& expected) {
        return QTest::qWaitFor([&] { return Collected(prefix) == expected; }, kTimeoutMs);
    }

    bool WaitUntilReady() {
        return QTest::qWaitFor([&] { return Collected(QStringLiteral("ready")).size() > 0; }, kTimeoutMs);
    }
    QString WindowId() { return Collected(QStringLiteral("ready")); }

  private:
    QProcess process_;
    QString buffer_;
    QStringList lines_;
};

class X11KeyGrabberTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "no X server (run under xvfb-run)";
        }
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
    }

    // Starts a witness and gives its window the keyboard focus.
    void StartWitness(const QStringList& args = {}) {
        witness = std::make_unique<Witness>(args);
        ASSERT_TRUE(witness->WaitUntilReady()) << witness->Lines().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), witness->WindowId()}));
    }

    bool Xdo(const QStringList& args) { return QProcess::execute(xdotool, args) == 0; }
    bool Type(const QString& keysym) { return Xdo({QStringLiteral("key"), keysym}); }

    // Keys that reached our handler, as text.
    QString Pressed() const {
        QString text;
        for (NavigationKey key : pressed) {
            text += KeyName(key);
        }
        return text;
    }
    bool WaitForPressed(const QString& expected) {
        return QTest::qWaitFor([&] { return Pressed() == expected; }, kTimeoutMs);
    }

    QString xdotool;
    std::unique_ptr<Witness> witness;
    std::vector<NavigationKey> pressed;
    GlobalKeyGrabber::PressHandler record = [this](NavigationKey key) { pressed.push_back(key); };
};

const QString kKey = QStringLiteral("key");

TEST_F(X11KeyGrabberTest, GrabbedLettersReachUsInsteadOfTheFocusedWindowUntilReleased) {
    StartWitness();
    std::unique_ptr<X11KeyGrabber> grabber = X11KeyGrabber::ForApplication();
    ASSERT_NE(grabber, nullptr);
    ASSERT_EQ(grabber->Grab(NavigationKeySet::All(), record), NavigationKeySet::All());

    ASSERT_TRUE(Type(QStringLiteral("a")));
    EXPECT_TRUE(WaitForPressed(QStringLiteral("a"))) << Pressed().toStdString();
    // "b" is not ours: once the witness has it, an "a" typed before it would have arrived too.
    ASSERT_TRUE(Type(QStringLiteral("b")));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("b")))
        << witness->Collected(kKey).toStdString();

    ASSERT_TRUE(
        Xdo({kKey, QStringLiteral("s"), QStringLiteral("d"), QStringLiteral("f"), QStringLiteral("c")}));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("bc")));
    EXPECT_EQ(Pressed(), QStringLiteral("asdf"));

    // Shift+A is not a navigation key: it types.
    ASSERT_TRUE(Type(QStringLiteral("shift+a")));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("bcA")));

    grabber->Release();
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("a"), QStringLiteral("s")}));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("bcAas")))
        << witness->Collected(kKey).toStdString();
    EXPECT_EQ(Pressed(), QStringLiteral("asdf"));

    // And they can be taken again.
    ASSERT_EQ(grabber->Grab(NavigationKeySet::All(), record), NavigationKeySet::All());
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("d"), QStringLiteral("e")}));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("bcAase")));
    EXPECT_EQ(Pressed(), QStringLiteral("asdfd"));
}

TEST_F(X11KeyGrabberTest, WhileOurOwnWindowHasTheFocusALetterNeitherTypesNorReArmsNavigation) {
    // With the focus on our Main window X reports the press to the root window but the release to the
    // Main window. Were the release let through, it would type nothing but count as "another event" of
    // the window and re-arm the key, so every auto-repeat would move a picture.
    QString typed;
    class Recorder final : public QWidget {
      public:
        explicit Recorder(QString* typed) : typed_(typed) {}

      protected:
        void keyPressEvent(QKeyEvent* event) override { *typed_ += event->text(); }
        void keyReleaseEvent(QKeyEvent* event) override { *typed_ += QStringLiteral("^") + event->text(); }

      private:
        QString* typed_;
    } window(&typed);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(
        Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window.winId())}));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    int moves = 0;
    NavigationKeys keys(&window, X11KeyGrabber::ForApplication(), [&](bool next) { moves += next ? 1 : 0; });
    keys.RegisterNavigationKeys();
    ASSERT_EQ(keys.GrabbedKeys(), NavigationKeySet::All());
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return typed == QStringLiteral("b^b"); }, kTimeoutMs))
        << typed.toStdString();
    EXPECT_EQ(moves, 1);
}

TEST_F(X11KeyGrabberTest, CapsLockAndNumLockDoNotStopTheKeys) {
    StartWitness();
    std::unique_ptr<X11KeyGrabber> grabber = X11KeyGrabber::ForApplication();
    ASSERT_EQ(grabber->Grab(NavigationKeySet::All(), record), NavigationKeySet::All());

    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));  // lock on
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("a"), QStringLiteral("b")}));
    // The witness proves the lock is really on: its "b" comes out capital.
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("B")))
        << witness->Collected(kKey).toStdString();
    EXPECT_EQ(Pressed(), QStringLiteral("a"));

    ASSERT_TRUE(Type(QStringLiteral("Num_Lock")));  // both locks on
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("s"), QStringLiteral("b")}));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("BB")));
    EXPECT_EQ(Pressed(), QStringLiteral("as"));

    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));  // Num Lock alone
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("d"), QStringLiteral("b")}));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("BBb")));
    EXPECT_EQ(Pressed(), QStringLiteral("asd"));
    ASSERT_TRUE(Type(QStringLiteral("Num_Lock")));

    grabber->Release();
    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));
    ASSERT_TRUE(Type(QStringLiteral("f")));
    EXPECT_TRUE(witness->WaitForCollected(kKey, QStringLiteral("BBbF")));
    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));
}

TEST_F(X11KeyGrabberTest, ALetterAnotherProgramHoldsIsSkippedAndTheOthersWork) {
    StartWitness({QStringLiteral("--hold"), QStringLiteral("f")});
    ASSERT_EQ(witness->Collected(QStringLiteral("holding")), QStringLiteral("f"));

    std::unique_ptr<X11KeyGrabber> grabber = X11KeyGrabber::ForApplication();
    const NavigationKeySet expected{NavigationKey::A, NavigationKey::S, NavigationKey::D};
    ASSERT_EQ(grabber->Grab(NavigationKeySet::All(), record), expected);
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("f"), QStringLiteral("a")}));
    EXPECT_TRUE(WaitForPressed(QStringLiteral("a")));
    EXPECT_TRUE(witness->WaitForCollected(QStringLiteral("held"), QStringLiteral("f")));
    grabber->Release();

    // Through the factory the refused letter falls back to working while we have the focus.
    qunsetenv("PICURA_GLOBAL_KEYS");
    std::unique_ptr<GlobalKeyGrabber> made = MakeGlobalKeyGrabber();
    auto* layered = dynamic_cast<LayeredKeyGrabber*>(made.get());
    ASSERT_NE(layered, nullptr);
    EXPECT_EQ(layered->Grab(NavigationKeySet::All(), record), NavigationKeySet::All());
    EXPECT_EQ(layered->DesktopKeys(), expected);
    ASSERT_TRUE(Xdo({kKey, QStringLiteral("f"), QStringLiteral("s")}));
    EXPECT_TRUE(WaitForPressed(QStringLiteral("as")));
    EXPECT_TRUE(witness->WaitForCollected(QStringLiteral("held"), QStringLiteral("ff")));
}

TEST_F(X11KeyGrabberTest, EnvironmentCanForceEitherWay) {
    qputenv("PICURA_GLOBAL_KEYS", "x11");
    EXPECT_NE(dynamic_cast<X11KeyGrabber*>(MakeGlobalKeyGrabber().get()), nullptr);
    qputenv("PICURA_GLOBAL_KEYS", "focus");
    EXPECT_EQ(dynamic_cast<X11KeyGrabber*>(MakeGlobalKeyGrabber().get()), nullptr);
    EXPECT_EQ(dynamic_cast<LayeredKeyGrabber*>(MakeGlobalKeyGrabber().get()), nullptr);
    qunsetenv("PICURA_GLOBAL_KEYS");
}

}  // namespace
}  // namespace picura

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--witness") == 0) {
        return picura::RunWitness(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
