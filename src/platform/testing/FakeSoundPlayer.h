// A sound player for tests: remembers every sound it was asked to play and plays nothing.
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

#include "platform/SoundPlayer.h"

namespace picura {

class FakeSoundPlayer final : public SoundPlayer {
  public:
    void playWaveBytes(const QByteArray& wav) override { played_.append(wav); }

    const QList<QByteArray>& played() const { return played_; }

    // The built-in sounds asked for, in order; bytes of any other wave are left out.
    QList<BuiltInSound> builtInSoundsPlayed() const {
        QList<BuiltInSound> sounds;
        for (const QByteArray& wav : played_) {
            for (BuiltInSound s : {BuiltInSound::Shutter, BuiltInSound::Cut}) {
                if (wav == builtInSoundBytes(s)) {
                    sounds.append(s);
                }
            }
        }
        return sounds;
    }

    void clear() { played_.clear(); }

  private:
    QList<QByteArray> played_;
};

}  // namespace picura
