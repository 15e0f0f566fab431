// The JPEG size search on a typical head-shot crop (413 × 626, photo-like).
#include <benchmark/benchmark.h>

#include <QImage>

#include "TestImages.h"
#include "imaging/Encode.h"
#include "output/EncodePicture.h"

namespace {

const QImage& Crop() {
    static const QImage crop = picura::test::MakePhotoLike(413, 626, 7);
    return crop;
}

// A limit only the quality-0 encoding of the coarse pass meets: its own size. The
// coarse pass then runs all 21 steps and the fine pass climbs from 0 (qualities 0
// to 3 give the same file with libjpeg's tables), so the search makes its most
// encodings.
double QualityZeroLimitKb() {
    static const double kb = static_cast<double>(picura::EncodeJpeg(Crop(), 0).size()) / 1024.0;
    return kb;
}

void ReportSearch(benchmark::State& state, double limitKb) {
    picura::EncodeResult last;
    for (auto _ : state) {
        last = picura::EncodePicture(Crop(), picura::OutputFormat::Jpg, limitKb);
        benchmark::DoNotOptimize(last.bytes.data());
    }
    state.counters["limit_bytes"] = static_cast<double>(picura::JpegLimitBytes(limitKb));
    state.counters["quality"] = last.quality;
    state.counters["bytes"] = static_cast<double>(last.bytes.size());
}

void BM_JpegSearch_FitsOnlyAtQualityZero(benchmark::State& state) {
    ReportSearch(state, QualityZeroLimitKb());
}
BENCHMARK(BM_JpegSearch_FitsOnlyAtQualityZero)->Unit(benchmark::kMillisecond);

void BM_JpegSearch_30KB(benchmark::State& state) {
    ReportSearch(state, 30.0);
}
BENCHMARK(BM_JpegSearch_30KB)->Unit(benchmark::kMillisecond);

// One encoding, for scale.
void BM_JpegEncodeOnce_Q75(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(picura::EncodeJpeg(Crop(), 75).data());
    }
}
BENCHMARK(BM_JpegEncodeOnce_Q75)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
