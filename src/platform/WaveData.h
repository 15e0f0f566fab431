// Reading WAV files held in memory: the format and the samples a player needs.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace picura {

struct WaveFormat {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
};

struct WaveData {
    WaveFormat format;
    QByteArray samples;  // interleaved little-endian PCM, whole frames only
};

// Reads a complete RIFF/WAVE file: checks the header, walks the chunks from offset 12 until both
// "fmt " and "data" have been seen or the RIFF length is used up, and copies the samples.
// Gives nothing for data that is not a playable PCM wave (no fmt chunk, no samples, a format other
// than integer PCM of 8, 16, 24 or 32 bits). A chunk that claims more bytes than the file holds is
// cut at the end of the file; nothing outside `bytes` is ever read.
std::optional<WaveData> parseWave(const QByteArray& bytes);

}  // namespace picura
