// Costs of the view's steps on a 24-megapixel and a 1-megapixel picture:
// showing a new picture (fit and first render), one zoom step at the fit zoom
// and at zoom 1.0, and one scroll step. Target: a zoom or scroll step under
// 8 ms on the 24-megapixel picture.
//
// The sweeps time every step of a whole walk (every "+" from the fit zoom to
// 1.0, or scrolls across the picture and back) and report the median and the
// worst step, for the default view, a larger one and the view of a maximised
// window. Each step is also timed for a reference that lets Qt smooth-scale
// only the visible part (for scrolling: a copy out of a whole scaled picture),
// in the same run, so the ratio holds on a loaded machine; cpu_* is the
// processor time of a zoom step over all our threads, and of a scroll step on
// the drawing thread (the margin's thread works beside it). Goals: a zoom step at
// most the reference's median, its worst at most 4 ms (default view) and 8 ms
// (larger views); a drag step at most 1 ms, a page step as near 1 ms as the
// margin scaled ahead makes it. PICURA_BENCH_STEPS=1 prints every zoom step.
#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

namespace picura {
namespace {

const QSize kView(411, 279);
// The view of the Main window maximised on a 1920 × 1080 screen: ComputeMainLayout (app/MainLayout.h) for
// the window's 1920 × 1050 (the screen less a 30-pixel title bar; a maximised window has no side borders)
// with the allowances the window measures at start-up under a 23-pixel menu bar (−8, −31).
const QSize kMaximisedView(1745, 946);
// A held Page key or a pressed scroll bar trough repeats its step about this often: the time the view has
// between page steps to scale ahead.
constexpr std::chrono::milliseconds kPageRepeat{40};
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

// Processor time of the calling thread alone: a step's own work, without the time the thread waited for a
// core (another program, or the virtual machine's host, taking it for a moment).
double ThreadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1000.0 * static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e6;
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

// One walk of scroll bar positions: the first is reached untimed (a jump to the start, not a step).
using Walk = std::vector<QPoint>;

// Across and back, down and up, then diagonally from the top-left corner to the bottom-right one, in steps of
// (dx, dy).
std::vector<Walk> Walks(const ViewState& state, int dx, int dy) {
    const int rangeX = state.horizontal.range, rangeY = state.vertical.range;
    const int x0 = state.horizontal.position, y0 = state.vertical.position;
    std::vector<Walk> walks(3);
    for (int p = 0; p <= rangeX; p += dx) {
        walks[0].emplace_back(p, y0);
    }
    for (int p = rangeX; p >= 0; p -= dx) {
        walks[0].emplace_back(p, y0);
    }
    for (int p = 0; p <= rangeY; p += dy) {
        walks[1].emplace_back(x0, p);
    }
    for (int p = rangeY; p >= 0; p -= dy) {
        walks[1].emplace_back(x0, p);
    }
    for (int i = 0; i * dx <= rangeX || i * dy <= rangeY; ++i) {
        walks[2].emplace_back(std::min(rangeX, i * dx), std::min(rangeY, i * dy));
    }
    return walks;
}

// Scroll walks at zoom 0.5 and 1.0: steps of `step` pixels (as a drag of a scroll bar's thumb makes), back
// to back; or with step 0 each bar's page step (a tenth of its range, more than a view for the default
// view), kPageRepeat apart, as a held Page key or trough repeats it. The reference copies the view out of a
// whole scaled picture kept in memory. Each step is timed once: repeating it would find its pixels kept.
// kept_mb is the most memory the view's kept pixels (the part in view and the margin around it) took.
void BM_ScrollSweep(benchmark::State& s) {
    const QSize viewSize(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const Picture& picture = PictureOf(24);
    picture.buildHalvings();
    StepTimes t;
    std::vector<double> whileDrawing;
    double keptMb = 0;
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
            const bool paged = s.range(2) == 0;
            const int dx = paged ? ScrollPageStep(state.horizontal.range) : static_cast<int>(s.range(2));
            const int dy = paged ? ScrollPageStep(state.vertical.range) : static_cast<int>(s.range(2));
            for (const Walk& walk : Walks(state, dx, dy)) {
                for (std::size_t i = 0; i < walk.size(); ++i) {
                    if (paged) {
                        std::this_thread::sleep_for(kPageRepeat);
                    }
                    auto start = std::chrono::steady_clock::now();
                    const double cpuStart = ThreadCpuMilliseconds();
                    ApplyScroll(picture, state, boards, frame, kYellow, walk[i].x(), walk[i].y());
                    const double oursCpu = ThreadCpuMilliseconds() - cpuStart;
                    const double ours = Milliseconds(std::chrono::steady_clock::now() - start);
                    start = std::chrono::steady_clock::now();
                    const QImage reference = whole.copy(state.scrollOffsetX, state.scrollOffsetY,
                                                        state.displayedWidth, state.displayedHeight);
                    benchmark::DoNotOptimize(reference.constBits());
                    const double referenceTime = Milliseconds(std::chrono::steady_clock::now() - start);
                    if (i == 0) {
                        continue;  // the jump to the walk's start
                    }
                    t.ours.push_back(ours);
                    t.oursCpu.push_back(oursCpu);
                    t.reference.push_back(referenceTime);
                    whileDrawing.push_back(static_cast<double>(boards.scaled.lastScaledWhileDrawing()));
                    if (qEnvironmentVariableIsSet("PICURA_BENCH_STEPS") && ours > 1.0) {
                        std::fprintf(
                            stderr, "zoom %.2f step to (%d, %d) ours %.3f ms (%.3f ms busy) scaled %lld px\n",
                            zoom, walk[i].x(), walk[i].y(), ours, oursCpu,
                            static_cast<long long>(boards.scaled.lastScaledWhileDrawing()));
                    }
                    const QSize kept = boards.scaled.keptSize();
                    keptMb = std::max(keptMb, 4.0 * kept.width() * kept.height() / (1 << 20));
                }
            }
        }
    }
    Report(s, t);
    // How many steps found all they showed scaled ahead (a copy only).
    s.counters["copied_only"] =
        static_cast<double>(std::count(whileDrawing.begin(), whileDrawing.end(), 0.0));
    s.counters["kept_mb"] = keptMb;
}

BENCHMARK(BM_ZoomSweep)
    ->Args({411, 279})
    ->Args({1097, 865})
    ->Args({kMaximisedView.width(), kMaximisedView.height()})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollSweep)
    ->Args({411, 279, 20})
    ->Args({1097, 865, 20})
    ->Args({kMaximisedView.width(), kMaximisedView.height(), 20})
    ->Args({411, 279, 0})
    ->Args({1097, 865, 0})
    ->Args({kMaximisedView.width(), kMaximisedView.height(), 0})
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
