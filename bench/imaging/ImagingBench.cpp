// Decode, scale and encode figures for the imaging core.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <turbojpeg.h>

#include <vector>

#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "imaging/Picture.h"

using namespace picura;

namespace {

const QByteArray& JpegOf(int width) {
    static QByteArray big = EncodeJpeg(test::MakePhotoLike(6000, 4000), 90);
    static QByteArray small = EncodeJpeg(test::MakePhotoLike(1200, 834), 90);
    return width >= 6000 ? big : small;
}

void BM_DecodeJpeg(benchmark::State& state) {
    const QByteArray& jpeg = JpegOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Picture p = DecodePicture(jpeg);
        benchmark::DoNotOptimize(p.image().constBits());
    }
    state.SetLabel(std::to_string(jpeg.size() / 1024) + " KB");
}
BENCHMARK(BM_DecodeJpeg)->Arg(6000)->Arg(1200)->Unit(benchmark::kMillisecond);

// Baseline: the library's own decode of the same bytes straight to BGRX.
void BM_DecodeJpegTurboBaseline(benchmark::State& state) {
    const QByteArray& jpeg = JpegOf(static_cast<int>(state.range(0)));
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, sub = 0, space = 0;
    tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &w, &h, &sub, &space);
    std::vector<unsigned char> out(static_cast<std::size_t>(w) * h * 4);
    for (auto _ : state) {
        tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                      static_cast<unsigned long>(jpeg.size()), out.data(), w, w * 4, h, TJPF_BGRX, 0);
        benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(handle);
}
BENCHMARK(BM_DecodeJpegTurboBaseline)->Arg(6000)->Arg(1200)->Unit(benchmark::kMillisecond);

// The same with a fresh output buffer each time, as any decode into a new picture has to.
void BM_DecodeJpegTurboBaselineFreshBuffer(benchmark::State& state) {
    const QByteArray& jpeg = JpegOf(static_cast<int>(state.range(0)));
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, sub = 0, space = 0;
    tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &w, &h, &sub, &space);
    for (auto _ : state) {
        QImage out(w, h, QImage::Format_RGB32);
        tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                      static_cast<unsigned long>(jpeg.size()), out.bits(), w,
                      static_cast<int>(out.bytesPerLine()), h, TJPF_BGRX, 0);
        benchmark::DoNotOptimize(out.constBits());
    }
    tjDestroy(handle);
}
BENCHMARK(BM_DecodeJpegTurboBaselineFreshBuffer)->Arg(6000)->Arg(1200)->Unit(benchmark::kMillisecond);

const QImage& BigPhoto() {
    static QImage image = test::MakePhotoLike(6000, 4000);
    return image;
}

void BM_PyramidBuild(benchmark::State& state) {
    for (auto _ : state) {
        Picture p(BigPhoto());  // a fresh picture: its pyramid is built by the first strong reduction
        benchmark::DoNotOptimize(p.scaledPart(420, 280, QRect(0, 0, 1, 1)).constBits());
    }
}
BENCHMARK(BM_PyramidBuild)->Unit(benchmark::kMillisecond);

void BM_ScaledPart(benchmark::State& state) {
    static Picture picture(BigPhoto());
    const double scale = static_cast<double>(state.range(0)) / 100.0;
    const int sw = static_cast<int>(6000 * scale);
    const int sh = static_cast<int>(4000 * scale);
    const QRect part(std::max(0, sw / 2 - 205), std::max(0, sh / 2 - 139), 411, 279);
    picture.scaledPart(sw, sh, part);  // the pyramid is built outside the timing
    for (auto _ : state) {
        QImage out = picture.scaledPart(sw, sh, part);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_ScaledPart)
    ->Arg(7)
    ->Arg(9)
    ->Arg(19)
    ->Arg(50)
    ->Arg(63)
    ->Arg(100)
    ->Arg(300)
    ->Unit(benchmark::kMicrosecond);

// The size search of a JPEG crop: quality 100, 95, ..., 0 on one encoder.
void BM_JpegSizeSearch(benchmark::State& state) {
    const QImage crop = BigPhoto().copy(2000, 1500, 413, 626);
    for (auto _ : state) {
        JpegEncoder encoder(crop);
        qsizetype total = 0;
        for (int q = 100; q >= 0; q -= 5) {
            total += encoder.encode(q).size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_JpegSizeSearch)->Unit(benchmark::kMillisecond);

void BM_EncodeJpegOnce(benchmark::State& state) {
    const QImage crop = BigPhoto().copy(2000, 1500, 413, 626);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeJpeg(crop, 90).size());
    }
}
BENCHMARK(BM_EncodeJpegOnce)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Test pictures are made before any timing.
    BigPhoto();
    JpegOf(6000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
