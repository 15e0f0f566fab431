// Costs of the view's steps on a 24-megapixel and a 1-megapixel picture:
// showing a new picture (fit and first render), one zoom step at the fit zoom
// and at zoom 1.0, and one scroll step. Target: a zoom or scroll step under
// 8 ms on the 24-megapixel picture.
#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <utility>

namespace picura {
namespace {

const QSize kView(411, 279);
const QColor kYellow(255, 255, 0);

const Picture& PictureOf(int megapixels) {
    static const Picture big(test::MakePhotoLike(6000, 4000));
    static const Picture small(test::MakePhotoLike(1200, 833));
    return megapixels == 24 ? big : small;
}

struct View {
    explicit View(Picture p) : picture(std::move(p)) {}
    Picture picture;
    ViewState state;
    ViewBoards boards{kView};
    CropFrame frame{125, 34, 160, 210};
};

void BM_ShowNewPicture(benchmark::State& s) {
    const QImage& image = PictureOf(static_cast<int>(s.range(0))).image();  // made before timing
    for (auto _ : s) {
        // A fresh copy: no cache of an earlier iteration helps.
        View v{Picture(image)};
        benchmark::DoNotOptimize(ShowNewPicture(v.picture, v.state, v.boards, v.frame, kYellow));
    }
}

// One zoom step from `zoom` (0 = the fit zoom), alternating in and out so the
// zoom stays put.
void ZoomStep(benchmark::State& s, double zoom) {
    View v(PictureOf(static_cast<int>(s.range(0))));
    ShowNewPicture(v.picture, v.state, v.boards, v.frame, kYellow);
    if (zoom > 0) {
        v.state.zoom = zoom;
        RenderView(v.picture, v.state, v.boards, v.frame, kYellow);
    }
    bool in = true;
    for (auto _ : s) {
        StepZoom(v.state, v.picture.size(), in ? kZoomInFactor : 1 / kZoomInFactor);
        in = !in;
        benchmark::DoNotOptimize(RenderView(v.picture, v.state, v.boards, v.frame, kYellow));
    }
}
void BM_ZoomStepAtFit(benchmark::State& s) {
    ZoomStep(s, 0);
}
void BM_ZoomStepAtOne(benchmark::State& s) {
    ZoomStep(s, 1.0);
}

void BM_ScrollStep(benchmark::State& s) {
    View v(PictureOf(static_cast<int>(s.range(0))));
    v.state.zoom = 1.0;
    RenderView(v.picture, v.state, v.boards, v.frame, kYellow);
    int step = 0;
    for (auto _ : s) {
        ++step;
        benchmark::DoNotOptimize(ApplyScroll(v.picture, v.state, v.boards, v.frame, kYellow,
                                             v.state.horizontal.position + ((step & 1) ? 20 : -20),
                                             v.state.vertical.position));
    }
}

BENCHMARK(BM_ShowNewPicture)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomStepAtFit)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomStepAtOne)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollStep)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace picura

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
