// The JPEG size search on a typical head-shot crop (413 × 626, photo-like), at the limits people use, beside
// the same search with libjpeg compressing the crop afresh for every quality it tries (how the search ran
// before its encoder kept the transformed blocks and ruled qualities out without writing them). The
// counters say how many files the search wrote, how many qualities it asked the encoder about before
// writing them, and how many of those the encoder ruled out unwritten.
#include <benchmark/benchmark.h>

#include <QImage>

#include "TestImages.h"
#include "imaging/Encode.h"
#include "output/EncodePicture.h"
#include "output/JpegSizeSearch.h"

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

// The program's encoder, counting what the search asks of it.
class CountingEncoder final : public picura::QualityEncoder {
  public:
    explicit CountingEncoder(const QImage& crop) : encoder_(crop) {}
    QByteArray encode(int quality) override {
        ++files;
        return encoder_.encode(quality);
    }
    bool largerThan(int quality, qint64 limitBytes) override {
        ++asked;
        const bool larger = encoder_.largerThan(quality, limitBytes);
        ruledOut += larger ? 1 : 0;
        return larger;
    }
    int files = 0;
    int asked = 0;
    int ruledOut = 0;

  private:
    picura::JpegEncoder encoder_;
};

// libjpeg's full compression for each quality tried.
class EveryQualityEncoder final : public picura::QualityEncoder {
  public:
    explicit EveryQualityEncoder(const QImage& crop) : crop_(crop) {}
    QByteArray encode(int quality) override {
        ++files;
        return picura::EncodeJpeg(crop_, quality);
    }
    int files = 0;

  private:
    QImage crop_;
};

void ReportSearch(benchmark::State& state, double limitKb) {
    picura::EncodeResult last;
    for (auto _ : state) {
        last = picura::EncodePicture(Crop(), picura::OutputFormat::Jpg, limitKb);
        benchmark::DoNotOptimize(last.bytes.data());
    }
    CountingEncoder counting(Crop());
    picura::SearchJpegQuality(counting, picura::JpegLimitBytes(limitKb));
    state.counters["limit_bytes"] = static_cast<double>(picura::JpegLimitBytes(limitKb));
    state.counters["quality"] = last.quality;
    state.counters["bytes"] = static_cast<double>(last.bytes.size());
    state.counters["files"] = counting.files;
    state.counters["asked"] = counting.asked;
    state.counters["ruled_out"] = counting.ruledOut;
}

void ReportSearchEncodingEveryQuality(benchmark::State& state, double limitKb) {
    picura::EncodeResult last;
    int files = 0;
    for (auto _ : state) {
        EveryQualityEncoder encoder(Crop());
        last = picura::SearchJpegQuality(encoder, picura::JpegLimitBytes(limitKb));
        benchmark::DoNotOptimize(last.bytes.data());
        files = encoder.files;
    }
    state.counters["quality"] = last.quality;
    state.counters["bytes"] = static_cast<double>(last.bytes.size());
    state.counters["files"] = files;
}

void BM_JpegSearch_FitsOnlyAtQualityZero(benchmark::State& state) {
    ReportSearch(state, QualityZeroLimitKb());
}
BENCHMARK(BM_JpegSearch_FitsOnlyAtQualityZero)->Unit(benchmark::kMillisecond);

void BM_JpegSearch_10KB(benchmark::State& state) {
    ReportSearch(state, 10.0);
}
BENCHMARK(BM_JpegSearch_10KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearch_20KB(benchmark::State& state) {
    ReportSearch(state, 20.0);
}
BENCHMARK(BM_JpegSearch_20KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearch_30KB(benchmark::State& state) {
    ReportSearch(state, 30.0);
}
BENCHMARK(BM_JpegSearch_30KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearch_50KB(benchmark::State& state) {
    ReportSearch(state, 50.0);
}
BENCHMARK(BM_JpegSearch_50KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearchEncodingEveryQuality_10KB(benchmark::State& state) {
    ReportSearchEncodingEveryQuality(state, 10.0);
}
BENCHMARK(BM_JpegSearchEncodingEveryQuality_10KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearchEncodingEveryQuality_20KB(benchmark::State& state) {
    ReportSearchEncodingEveryQuality(state, 20.0);
}
BENCHMARK(BM_JpegSearchEncodingEveryQuality_20KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearchEncodingEveryQuality_30KB(benchmark::State& state) {
    ReportSearchEncodingEveryQuality(state, 30.0);
}
BENCHMARK(BM_JpegSearchEncodingEveryQuality_30KB)->Unit(benchmark::kMillisecond);

void BM_JpegSearchEncodingEveryQuality_50KB(benchmark::State& state) {
    ReportSearchEncodingEveryQuality(state, 50.0);
}
BENCHMARK(BM_JpegSearchEncodingEveryQuality_50KB)->Unit(benchmark::kMillisecond);

// One encoding, for scale: libjpeg's full compression, and the program's encoder made for one quality.
void BM_JpegEncodeOnce_Q75(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(picura::EncodeJpeg(Crop(), 75).data());
    }
}
BENCHMARK(BM_JpegEncodeOnce_Q75)->Unit(benchmark::kMillisecond);

void BM_JpegEncoderOnce_Q75(benchmark::State& state) {
    for (auto _ : state) {
        picura::JpegEncoder encoder(Crop());
        benchmark::DoNotOptimize(encoder.encode(75).data());
    }
}
BENCHMARK(BM_JpegEncoderOnce_Q75)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
