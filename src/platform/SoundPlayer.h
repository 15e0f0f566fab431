// Playing the program's short confirmation sounds without ever making the caller wait.
#pragma once

#include <QByteArray>

namespace picura {

enum class BuiltInSound {
    Shutter,  // a quick-shoot photo was taken
    Cut,      // a batch crop was saved
};

// The complete WAV file of a built-in sound, as carried in the program.
QByteArray builtInSoundBytes(BuiltInSound sound);

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;

    // Starts playing a complete WAV file and returns at once. Every call plays on its own, together
    // with any sound still playing; data that is not a playable wave plays nothing. The bytes are
    // copied, so the caller may drop them right away.
    virtual void playWaveBytes(const QByteArray& wav) = 0;

    void play(BuiltInSound sound) { playWaveBytes(builtInSoundBytes(sound)); }
};

}  // namespace picura
