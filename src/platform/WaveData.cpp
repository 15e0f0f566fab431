#include "platform/WaveData.h"

#include <algorithm>
#include <cstring>

namespace picura {

namespace {

uint32_t readU32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}

uint16_t readU16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint16_t(u[0] | u[1] << 8);
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

std::optional<WaveFormat> readFormat(const char* body, qint64 length) {
    if (length < 16) {
        return std::nullopt;
    }
    uint16_t tag = readU16(body);
    if (tag == kFormatExtensible) {
        // The sub-format GUID starts 24 bytes into the chunk; its first two bytes are the format tag.
        if (length < 40) {
            return std::nullopt;
        }
        tag = readU16(body + 24);
    }
    WaveFormat format;
    format.channels = readU16(body + 2);
    format.sampleRate = readU32(body + 4);
    format.bitsPerSample = readU16(body + 14);
    const bool knownBits = format.bitsPerSample == 8 || format.bitsPerSample == 16 ||
                           format.bitsPerSample == 24 || format.bitsPerSample == 32;
    if (tag != kFormatPcm || !knownBits || format.channels < 1 || format.channels > 8 ||
        format.sampleRate < 1000 || format.sampleRate > 768000) {
        return std::nullopt;
    }
    return format;
}

}  // namespace

std::optional<WaveData> parseWave(const QByteArray& bytes) {
    const qint64 size = bytes.size();
    if (size < 36 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    const char* base = bytes.constData();
    // The walk ends where the RIFF length says, or at the end of the bytes when they are shorter.
    const qint64 end = std::min<qint64>(size, 8 + qint64(readU32(base + 4)));

    std::optional<WaveFormat> format;
    bool sawFormat = false;
    const char* samples = nullptr;
    qint64 sampleBytes = 0;
    bool sawData = false;

    qint64 at = 12;
    while (at + 8 <= end && !(sawFormat && sawData)) {
        const char* id = base + at;
        const qint64 declared = readU32(base + at + 4);
        const qint64 bodyAt = at + 8;
        const qint64 length = std::min(declared, end - bodyAt);
        if (!sawFormat && memcmp(id, "fmt ", 4) == 0) {
            sawFormat = true;
            format = readFormat(base + bodyAt, length);
        } else if (!sawData && memcmp(id, "data", 4) == 0) {
            sawData = true;
            samples = base + bodyAt;
            sampleBytes = length;
        }
        // Chunk bodies are padded to an even length.
        at = bodyAt + declared + (declared & 1);
    }

    if (!format || !sawData) {
        return std::nullopt;
    }
    const qint64 frameBytes = format->bytesPerFrame();
    sampleBytes -= sampleBytes % frameBytes;
    if (sampleBytes <= 0) {
        return std::nullopt;
    }
    return WaveData{*format, QByteArray(samples, sampleBytes)};
}

}  // namespace picura
