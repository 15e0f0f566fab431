#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/AlsaSoundPlayer.h"
#include "platform/WaveData.h"
#include "platform/testing/FakeSoundPlayer.h"

using namespace picura;

namespace {

// Points ALSA at a configuration of our own for the life of the fixture: PCMs that write what they
// are given to files, or nothing at all.
class AlsaConfig {
  public:
    explicit AlsaConfig(const QByteArray& text) {
        path_ = dir_.filePath("asound.conf");
        QFile f(path_);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        qputenv("ALSA_CONFIG_PATH", path_.toLocal8Bit());
        snd_config_update_free_global();  // make ALSA read the new file on its next open
    }
    ~AlsaConfig() {
        qunsetenv("ALSA_CONFIG_PATH");
        snd_config_update_free_global();
    }
    QString file(const QString& name) const { return dir_.filePath(name); }

    static QByteArray filePcm(const QString& name, const QString& path) {
        return QStringLiteral(
                   "pcm.%1 { type file slave { pcm { type null } } file \"%2\" format \"raw\" perm 0644 }\n")
            .arg(name, path)
            .toUtf8();
    }
    // Each player opening this PCM appends what it plays to the file, through a pipe of its own.
    static QByteArray appendingPcm(const QString& name, const QString& path) {
        return filePcm(name, QStringLiteral("| cat >> %1").arg(path));
    }

  private:
    QTemporaryDir dir_;
    QString path_;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(AlsaSoundPlayer, PlaysExactlyTheCarriedSamples) {
    QTemporaryDir out;
    AlsaConfig config(AlsaConfig::filePcm("!default", out.filePath("default.raw")));
    {
        AlsaSoundPlayer player;
        player.play(BuiltInSound::Shutter);
        ASSERT_TRUE(player.waitUntilIdle(5000));
    }
    EXPECT_EQ(readAll(out.filePath("default.raw")),
              parseWave(builtInSoundBytes(BuiltInSound::Shutter))->samples);
}

TEST(AlsaSoundPlayer, SoundsPlayTogetherAndTheCallerNeverWaits) {
    QTemporaryDir out;
    AlsaConfig config(AlsaConfig::appendingPcm("shutterOut", out.filePath("shutter.raw")) +
                      AlsaConfig::filePcm("cutOut", out.filePath("cut.raw")));
    AlsaSoundPlayer shutterPlayer(QStringLiteral("shutterOut"));
    AlsaSoundPlayer cutPlayer(QStringLiteral("cutOut"));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i) {
        shutterPlayer.play(BuiltInSound::Shutter);
    }
    cutPlayer.play(BuiltInSound::Cut);
    // Starting four players takes a fraction of one sound's length (0.29 s).
    EXPECT_LT(clock.elapsed(), 150);
    ASSERT_TRUE(shutterPlayer.waitUntilIdle(5000));
    ASSERT_TRUE(cutPlayer.waitUntilIdle(5000));
    EXPECT_EQ(shutterPlayer.playingCount(), 0);
    // Three shutter sounds went to the one file, whole, one after the other or side by side.
    const QByteArray samples = parseWave(builtInSoundBytes(BuiltInSound::Shutter))->samples;
    EXPECT_EQ(readAll(out.filePath("shutter.raw")).size(), 3 * samples.size());
    EXPECT_EQ(readAll(out.filePath("cut.raw")), parseWave(builtInSoundBytes(BuiltInSound::Cut))->samples);
}

TEST(AlsaSoundPlayer, WithoutADeviceThePlayerEndsSilentlyAndAtOnce) {
    AlsaConfig config("# no PCM defined at all\n");
    AlsaSoundPlayer player;
    QElapsedTimer clock;
    clock.start();
    player.play(BuiltInSound::Cut);
    player.play(BuiltInSound::Shutter);
    EXPECT_TRUE(player.waitUntilIdle(2000));
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(AlsaSoundPlayer, APlayerDestroyedWhileSoundsPlayEndsThemPromptly) {
    QTemporaryDir out;
    AlsaConfig config(AlsaConfig::appendingPcm("!default", out.filePath("default.raw")));
    QElapsedTimer clock;
    clock.start();
    {
        AlsaSoundPlayer player;
        for (int i = 0; i < 4; ++i) {
            player.play(BuiltInSound::Shutter);
        }
    }
    // The destructor neither hangs nor leaves a thread using freed state (the sanitizer build runs this).
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(AlsaSoundPlayer, DataThatIsNoWaveStartsNoPlayer) {
    QTemporaryDir out;
    AlsaConfig config(AlsaConfig::filePcm("!default", out.filePath("default.raw")));
    AlsaSoundPlayer player;
    player.playWaveBytes(QByteArray("RIFF\x10\0\0\0WAVEdata", 16));
    player.playWaveBytes(builtInSoundBytes(BuiltInSound::Cut).left(40));
    EXPECT_EQ(player.playingCount(), 0);
    EXPECT_FALSE(QFile::exists(out.filePath("default.raw")));
}

TEST(FakeSoundPlayer, RemembersTheSoundsAskedFor) {
    FakeSoundPlayer fake;
    fake.play(BuiltInSound::Cut);
    fake.play(BuiltInSound::Shutter);
    fake.playWaveBytes("not a wave");
    EXPECT_EQ(fake.played().size(), 3);
    EXPECT_EQ(fake.builtInSoundsPlayed(), (QList<BuiltInSound>{BuiltInSound::Cut, BuiltInSound::Shutter}));
}
