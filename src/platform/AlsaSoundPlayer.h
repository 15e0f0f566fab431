// The sound player on ALSA: one player thread per sound, several at once.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "platform/SoundPlayer.h"

namespace picura {

class AlsaSoundPlayer final : public SoundPlayer {
  public:
    // `device` is the ALSA PCM name; the program uses "default".
    explicit AlsaSoundPlayer(QString device = QStringLiteral("default"));
    // Stops sounds still playing and waits for their threads (a few milliseconds).
    ~AlsaSoundPlayer() override;

    AlsaSoundPlayer(const AlsaSoundPlayer&) = delete;
    AlsaSoundPlayer& operator=(const AlsaSoundPlayer&) = delete;

    void playWaveBytes(const QByteArray& wav) override;

    // Players whose thread has not ended yet.
    int playingCount() const;
    // Waits until every player has ended, at most `timeoutMs`; true when they all have.
    bool waitUntilIdle(int timeoutMs) const;

    // A player gives up when the device takes no samples for this long.
    static constexpr int kStallTimeoutMs = 8888;
    // Samples are handed to the device in blocks of this many bytes.
    static constexpr int kBlockBytes = 15360;

  private:
    struct Shared;
    QString device_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace picura
