// The reduced JPEG decode of our own (imaging/JpegPreview) beside TurboJPEG's scaled decode of the same
// bytes, on the photos of the open benchmark: a 24 MP JPEG (6000 × 4000, quality 90) and a 12.6 MB one (5640
// × 3172 at quality 100, fine grain), both 4:4:4 as EncodeJpeg writes them at those qualities, and the 24 MP
// photo as most cameras write it (4:2:0, quality 92), whose colour planes take the full 8 × 8 IDCT at 1/2.
//
// Args: photo (0: 24 MP, 1: 12.6 MB, 2: 24 MP 4:2:0), denominator (8, 4 or 2), threads (1 or 2; 0 runs
// TurboJPEG instead).
// Counters: scan_MB the file size, Mbit_per_s the compressed bits decoded per second of wall time; for our
// decode the last run's set-up (headers, tables, unstuffed scan), decode and colour times, and with two
// threads whether the second thread's guessed parse was joined and at which fraction of the MCUs.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <algorithm>
#include <random>
#include <vector>

#include "TestImages.h"
#include "TurboScaled.h"
#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/DecodeInternal.h"
#include "imaging/Encode.h"
#include "imaging/JpegPreview.h"

using namespace picura;
using picura::bench::CameraJpeg;
using picura::bench::TurboScaled;

namespace {

const QByteArray& Photo(int which) {
    static const QByteArray photo24 = EncodeJpeg(test::MakePhotoLike(6000, 4000, 3), 90);
    static const QByteArray grainy = EncodeJpeg(test::MakeGrainyPhoto(5640, 3172), 100);
    static const QByteArray camera = CameraJpeg(test::MakePhotoLike(6000, 4000, 3), 92);
    return which == 0 ? photo24 : which == 1 ? grainy : camera;
}

// Whether our decode gives TurboJPEG's pixels (the alpha byte aside).
bool SameAsTurbo(const QImage& ours, const QByteArray& bytes, int denominator) {
    int width = 0;
    const std::vector<unsigned char> theirs = TurboScaled(bytes, denominator, &width);
    if (ours.width() != width || std::size_t(ours.width()) * ours.height() * 4 != theirs.size()) {
        return false;
    }
    for (int y = 0; y < ours.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(ours.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &theirs[(std::size_t(y) * width + x) * 4];
            if ((line[x] & 0xFFFFFFu) !=
                (std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16))) {
                return false;
            }
        }
    }
    return true;
}

void BM_JpegPreview(benchmark::State& s) {
    const QByteArray& bytes = Photo(static_cast<int>(s.range(0)));
    const int denominator = static_cast<int>(s.range(1));
    const int threads = static_cast<int>(s.range(2));
    detail::JpegPreviewStats stats;
    detail::JpegPreviewOptions options;
    options.secondStart = threads == 1 ? -2 : -1;
    options.stats = &stats;
    if (threads != 0) {
        detail::SizeCheck check(kDefaultMaxPicturePixels);
        const QImage image = detail::DecodeJpegPreview(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()),
            denominator, check, nullptr, options);
        if (!SameAsTurbo(image, bytes, denominator)) {
            s.SkipWithError("not TurboJPEG's pixels");
            return;
        }
    }
    for (auto _ : s) {
        if (threads == 0) {
            TurboScaled(bytes, denominator);
            continue;
        }
        detail::SizeCheck check(kDefaultMaxPicturePixels);
        const QImage image = detail::DecodeJpegPreview(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()),
            denominator, check, nullptr, options);
        if (image.isNull()) {
            s.SkipWithError("not handled");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    s.counters["scan_MB"] = static_cast<double>(bytes.size()) / 1e6;
    s.counters["Mbit_per_s"] = benchmark::Counter(static_cast<double>(bytes.size()) * 8e-6 * s.iterations(),
                                                  benchmark::Counter::kIsRate);
    if (threads != 0) {
        s.counters["setup_ms"] = stats.setUpMs;
        s.counters["decode_ms"] = stats.decodeMs;
        s.counters["colour_ms"] = stats.colourMs;
    }
    if (threads == 2) {
        s.counters["met"] = stats.met ? 1 : 0;
        s.counters["meet_at"] = stats.mcus > 0 ? static_cast<double>(stats.meetMcu) / stats.mcus : 0;
    }
}

BENCHMARK(BM_JpegPreview)
    ->ArgsProduct({{0, 1, 2}, {8, 4, 2}, {0, 1, 2}})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The steps of opening the photo as the program does, each on its own: reading the file (from the page
// cache), reading the JPEG header for its size, and the reduced decode through DecodeJpegReduced.
// Args: photo, denominator, step (0 read, 1 header, 2 reduced decode).
void BM_ReducedOpenSteps(benchmark::State& s) {
    const QByteArray& bytes = Photo(static_cast<int>(s.range(0)));
    const int denominator = static_cast<int>(s.range(1));
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(s.range(0)));
    if (!QFile::exists(path)) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    for (auto _ : s) {
        switch (s.range(2)) {
            case 0: benchmark::DoNotOptimize(ReadPictureFileBytes(path).bytes.size()); break;
            case 1: benchmark::DoNotOptimize(JpegShownSize(bytes)); break;
            default:
                benchmark::DoNotOptimize(
                    DecodeJpegReduced(bytes, denominator, kDefaultMaxPicturePixels).picture.sharpWidth());
                break;
        }
    }
}

BENCHMARK(BM_ReducedOpenSteps)
    ->ArgsProduct({{0, 1}, {8}, {0, 1, 2}})
    ->Args({0, 4, 2})
    ->Args({1, 4, 2})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
