#include <gtest/gtest.h>

#include <QtEndian>

#include "platform/SoundPlayer.h"
#include "platform/WaveData.h"

using namespace picura;

namespace {

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const QByteArray& id, const QByteArray& body) {
    return id + le32(body.size()) + body + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits) {
    const quint16 align = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

QByteArray riff(const QByteArray& chunks) {
    return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}

QByteArray samples(int n) {
    QByteArray s(n, '\0');
    for (int i = 0; i < n; ++i) {
        s[i] = char(i * 7 + 3);
    }
    return s;
}

}  // namespace

TEST(WaveData, BuiltInSoundsHaveTheirFormatAndSampleCounts) {
    const QByteArray shutter = builtInSoundBytes(BuiltInSound::Shutter);
    const QByteArray cut = builtInSoundBytes(BuiltInSound::Cut);
    ASSERT_EQ(shutter.size(), 50794);
    ASSERT_EQ(cut.size(), 40044);

    for (const auto& [bytes, sampleBytes] : {std::pair{shutter, 50688}, std::pair{cut, 40000}}) {
        auto wave = parseWave(bytes);
        ASSERT_TRUE(wave);
        EXPECT_EQ(wave->format.channels, 2);
        EXPECT_EQ(wave->format.sampleRate, 44100u);
        EXPECT_EQ(wave->format.bitsPerSample, 16);
        EXPECT_EQ(wave->samples.size(), sampleBytes);
        // The samples are the bytes right after the 44-byte header, and they are not silence.
        EXPECT_EQ(wave->samples, bytes.mid(44, sampleBytes));
        EXPECT_NE(wave->samples.count('\0'), wave->samples.size());
    }
}

TEST(WaveData, WalksPastOtherChunksAndPadding) {
    const QByteArray data = samples(40);
    // An odd-length chunk before fmt (padded), a LIST chunk between fmt and data.
    const QByteArray wav = riff(chunk("junk", "abc") + chunk("fmt ", fmtBody(1, 1, 8000, 16)) +
                                chunk("LIST", "INFOxxxx") + chunk("data", data));
    auto wave = parseWave(wav);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->format.channels, 1);
    EXPECT_EQ(wave->format.sampleRate, 8000u);
    EXPECT_EQ(wave->samples, data);
}

TEST(WaveData, ExtensibleFormatWithPcmSubformatPlays) {
    QByteArray ext = fmtBody(0xFFFE, 2, 48000, 24) + le16(22) + le16(24) + le32(3) + le16(1) +
                     QByteArray::fromHex("000000001000800000aa00389b71");
    auto wave = parseWave(riff(chunk("fmt ", ext) + chunk("data", samples(60))));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->format.bitsPerSample, 24);
    EXPECT_EQ(wave->samples.size(), 60);
}

TEST(WaveData, TruncatedDataKeepsTheWholeFramesPresent) {
    QByteArray wav = riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", samples(400)));
    wav.chop(203);  // the data chunk still claims 400 bytes; 197 remain, 49 whole frames
    auto wave = parseWave(wav);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->samples.size(), 196);
    EXPECT_EQ(wave->samples, samples(196));
}

TEST(WaveData, RiffLengthLimitsTheWalk) {
    // The data chunk lies beyond the declared RIFF length: it is not part of the file.
    const QByteArray body = "WAVE" + chunk("fmt ", fmtBody(1, 1, 8000, 8));
    const QByteArray wav = "RIFF" + le32(body.size()) + body + chunk("data", samples(16));
    EXPECT_FALSE(parseWave(wav));
}

TEST(WaveData, RefusesWhatIsNotAPlayableWave) {
    const QByteArray fmt = chunk("fmt ", fmtBody(1, 2, 44100, 16));
    const QByteArray data = chunk("data", samples(64));
    EXPECT_FALSE(parseWave(QByteArray()));
    EXPECT_FALSE(parseWave(riff(fmt + data).left(35)));                             // under 36 bytes
    EXPECT_FALSE(parseWave("RIFX" + riff(fmt + data).mid(4)));                      // not RIFF
    EXPECT_FALSE(parseWave(riff(fmt + data).replace(8, 4, "AVI ")));                // not WAVE
    EXPECT_FALSE(parseWave(riff(data + chunk("junk", samples(8)))));                // no fmt chunk
    EXPECT_FALSE(parseWave(riff(fmt + chunk("junk", samples(20)))));                // no data chunk
    EXPECT_FALSE(parseWave(riff(fmt + chunk("data", QByteArray()))));               // no samples
    EXPECT_FALSE(parseWave(riff(fmt + chunk("data", samples(3)))));                 // less than one frame
    EXPECT_FALSE(parseWave(riff(chunk("fmt ", fmtBody(3, 2, 44100, 32)) + data)));  // float
    EXPECT_FALSE(parseWave(riff(chunk("fmt ", fmtBody(1, 0, 44100, 16)) + data)));  // no channels
    EXPECT_FALSE(parseWave(riff(chunk("fmt ", fmtBody(1, 2, 44100, 12)) + data)));  // odd sample size
    EXPECT_FALSE(parseWave(riff(chunk("fmt ", fmtBody(1, 2, 0, 16)) + data)));      // no rate
    EXPECT_FALSE(parseWave(riff(chunk("fmt ", fmtBody(1, 2, 44100, 16).left(12)) + data)));  // short fmt
}

TEST(WaveData, HostileLengthsNeverReadOutOfBounds) {
    // Chunk lengths near 4 GiB, which overflow 32-bit offset arithmetic.
    const QByteArray fmt = chunk("fmt ", fmtBody(1, 1, 8000, 8));
    QByteArray wav = riff(fmt + "data" + le32(0xFFFFFFFF) + samples(10));
    auto wave = parseWave(wav);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->samples, samples(10));

    QByteArray hugeFirst = riff("junk" + le32(0xFFFFFFF0) + fmt + chunk("data", samples(10)));
    EXPECT_FALSE(parseWave(hugeFirst));

    QByteArray hugeRiff = riff(fmt + chunk("data", samples(10)));
    hugeRiff.replace(4, 4, le32(0xFFFFFFFF));
    EXPECT_TRUE(parseWave(hugeRiff));

    // A fmt chunk claiming 16 bytes at the very end of the data.
    QByteArray cutFmt = riff(chunk("data", samples(20)) + "fmt " + le32(16) + QByteArray(2, '\1'));
    EXPECT_FALSE(parseWave(cutFmt));

    // Every prefix of a good file, parsed from a copy of exactly that length (ASan catches overreads).
    const QByteArray good = builtInSoundBytes(BuiltInSound::Shutter).left(300);
    for (int n = 0; n <= good.size(); ++n) {
        const QByteArray prefix(good.constData(), n);
        auto w = parseWave(prefix);
        if (w) {
            EXPECT_LE(w->samples.size(), n - 44);
        }
    }
}
