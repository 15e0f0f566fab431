// Costs of the view's steps on a 24-megapixel and a 1-megapixel picture:
// showing a new picture (fit and first render), one zoom step at the fit zoom
// and at zoom 1.0, and one scroll step. Target: a zoom or scroll step under
// 8 ms on the 24-megapixel picture.
//
// The sweeps time every step of a whole walk (every "+" from the fit zoom to
// 1.0, or a scroll across the picture and back) and report the median and the
// worst step, for the default view and a maximised one. Each step is also
// timed for a reference that lets Qt smooth-scale only the visible part (for
// scrolling: a copy out of a whole scaled picture), in the same run, so the
// ratio holds on a loaded machine; cpu_* is the processor time of a zoom step
// over all our threads. Goals: a zoom step at most the reference's median, its
// worst at most 4 ms (default view) and 8 ms (maximised); a scroll step 1 ms.
// PICURA_BENCH_STEPS=1 prints every zoom step.
#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

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

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct StepTimes {
    std::vector<double> ours;
    std::vector<double> reference;
    std::vector<double> oursCpu;  // processor time of all our threads: what the step costs on an idle machine
};

double ProcessCpuMilliseconds() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

double Worst(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void Report(benchmark::State& s, const StepTimes& t) {
    s.counters["steps"] = static_cast<double>(t.ours.size());
    s.counters["median_ms"] = Median(t.ours);
    s.counters["p90_ms"] = Percentile(t.ours, 0.9);
    s.counters["ref_p90_ms"] = Percentile(t.reference, 0.9);
    s.counters["worst_ms"] = Worst(t.ours);
    if (!t.oursCpu.empty()) {
        s.counters["cpu_median_ms"] = Median(t.oursCpu);
        s.counters["cpu_worst_ms"] = Worst(t.oursCpu);
    }
    s.counters["ref_median_ms"] = Median(t.reference);
    s.counters["ref_worst_ms"] = Worst(t.reference);
    s.counters["median_ratio"] = Median(t.ours) / std::max(1e-9, Median(t.reference));
    s.counters["worst_ratio"] = Worst(t.ours) / std::max(1e-9, Worst(t.reference));
}

// What a viewer that scales only the visible part with Qt does for the same
// view: cut the picture's pixels under the view and smooth-scale them.
QImage QtVisiblePart(const QImage& image, const ViewState& st) {
    const double z = st.zoom;
    const int x0 = static_cast<int>(std::floor(st.scrollOffsetX / z));
    const int y0 = static_cast<int>(std::floor(st.scrollOffsetY / z));
    const int x1 =
        std::min(image.width(), static_cast<int>(std::ceil((st.scrollOffsetX + st.displayedWidth) / z)));
    const int y1 =
        std::min(image.height(), static_cast<int>(std::ceil((st.scrollOffsetY + st.displayedHeight) / z)));
    return image.copy(x0, y0, x1 - x0, y1 - y0)
        .scaled(st.displayedWidth, st.displayedHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Every "+" from the fit zoom up to 1.0, each step timed for us and for the reference. A step is timed
// as the best of three renders (the kept scaled pixels forgotten before each, as a zoom step finds them),
// so that another program taking the core for a moment does not make a step look slow.
void BM_ZoomSweep(benchmark::State& s) {
    const QSize viewSize(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const Picture& picture = PictureOf(24);
    StepTimes t;
    for (auto _ : s) {
        ViewState state;
        ViewBoards boards(viewSize);
        const CropFrame frame{125, 34, 160, 210};
        ShowNewPicture(picture, state, boards, frame, kYellow);
        while (state.zoom * kZoomInFactor <= 1.0 + 1e-9) {
            StepZoom(state, picture.size(), kZoomInFactor);
            double ours = 1e9;
            double oursCpu = 1e9;
            double reference = 1e9;
            for (int attempt = 0; attempt < 3; ++attempt) {
                boards.scaled.clear();
                const double cpuStart = ProcessCpuMilliseconds();
                auto start = std::chrono::steady_clock::now();
                RenderView(picture, state, boards, frame, kYellow);
                ours = std::min(ours, Milliseconds(std::chrono::steady_clock::now() - start));
                oursCpu = std::min(oursCpu, ProcessCpuMilliseconds() - cpuStart);
                start = std::chrono::steady_clock::now();
                const QImage visible = QtVisiblePart(picture.image(), state);
                benchmark::DoNotOptimize(visible.constBits());
                reference = std::min(reference, Milliseconds(std::chrono::steady_clock::now() - start));
            }
            t.ours.push_back(ours);
            t.oursCpu.push_back(oursCpu);
            t.reference.push_back(reference);
            if (qEnvironmentVariableIsSet("PICURA_BENCH_STEPS")) {
                std::fprintf(stderr, "zoom %.4f ours %.3f ms reference %.3f ms\n", state.zoom, ours,
                             reference);
            }
        }
    }
    Report(s, t);
}

// Scroll steps across the picture and back at zoom 0.5 and 1.0: steps of `step` pixels (as a drag of the
// scroll bar's thumb makes), or with step 0 the window's page step (a tenth of the range, more than a view
// here). The reference copies the view out of a whole scaled picture kept in memory. Each step is timed
// once: repeating it would find its pixels kept.
void BM_ScrollSweep(benchmark::State& s) {
    const QSize viewSize(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const Picture& picture = PictureOf(24);
    StepTimes t;
    for (auto _ : s) {
        for (const double zoom : {0.5, 1.0}) {
            ViewState state;
            ViewBoards boards(viewSize);
            const CropFrame frame{125, 34, 160, 210};
            ShowNewPicture(picture, state, boards, frame, kYellow);
            state.zoom = zoom;
            RenderView(picture, state, boards, frame, kYellow);
            const QImage whole =
                zoom == 1.0 ? picture.image() : picture.scaled(state.scaledWidth, state.scaledHeight);
            const int step =
                s.range(2) > 0 ? static_cast<int>(s.range(2)) : std::max(1, state.horizontal.range / 10);
            std::vector<QPoint> positions;
            const int v = state.vertical.position;
            for (int p = 0; p <= state.horizontal.range; p += step) {
                positions.emplace_back(p, v);
            }
            for (int p = state.horizontal.range; p >= 0; p -= step) {
                positions.emplace_back(p, v);
            }
            // Down and up, then diagonally.
            const int h = state.horizontal.position;
            for (int p = 0; p <= state.vertical.range; p += step) {
                positions.emplace_back(h, p);
            }
            for (int p = state.vertical.range; p >= 0; p -= step) {
                positions.emplace_back(std::min(state.horizontal.range, p), p);
            }
            for (const QPoint p : positions) {
                auto start = std::chrono::steady_clock::now();
                ApplyScroll(picture, state, boards, frame, kYellow, p.x(), p.y());
                t.ours.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
                start = std::chrono::steady_clock::now();
                const QImage reference = whole.copy(state.scrollOffsetX, state.scrollOffsetY,
                                                    state.displayedWidth, state.displayedHeight);
                benchmark::DoNotOptimize(reference.constBits());
                t.reference.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
            }
        }
    }
    Report(s, t);
}

BENCHMARK(BM_ZoomSweep)->Args({411, 279})->Args({1097, 865})->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollSweep)
    ->Args({411, 279, 20})
    ->Args({1097, 865, 20})
    ->Args({411, 279, 0})
    ->Args({1097, 865, 0})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
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
