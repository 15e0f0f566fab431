// Peak memory of the view over a 24-megapixel picture (96 MB of pixels, 32 MB of halvings) in the view of a
// maximised window: every zoom step from the fit zoom to 1.0, then page and drag walks at zoom 0.5, 1.0 and
// 2.0 with the margin scaled ahead between steps, then the view resized down to the default and up again.
// Prints the peak resident size (getrusage); run under `/usr/bin/time -v` for the same figure from outside.
// The whole process must stay within 192 MB.
#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <QGuiApplication>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace picura;

namespace {

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const long atStart = PeakKb();
    const Picture picture(test::MakePhotoLike(6000, 4000));
    picture.buildHalvings();
    const long withPicture = PeakKb();

    const QColor yellow(255, 255, 0);
    const CropFrame frame{125, 34, 160, 210};
    ViewState state;
    ViewBoards boards(QSize(1745, 946));  // the maximised view of bench/view/ViewBench.cpp
    ShowNewPicture(picture, state, boards, frame, yellow);
    while (state.zoom * kZoomInFactor <= 1.0 + 1e-9) {
        StepZoom(state, picture.size(), kZoomInFactor);
        RenderView(picture, state, boards, frame, yellow);
    }
    for (const double zoom : {0.5, 1.0, 2.0}) {
        state.zoom = zoom;
        RenderView(picture, state, boards, frame, yellow);
        for (const int step : {0, 20}) {
            const int dx = step > 0 ? step : ScrollPageStep(state.horizontal.range);
            const int dy = step > 0 ? step : ScrollPageStep(state.vertical.range);
            for (int i = 0; i < 40; ++i) {
                boards.scaled.waitUntilAhead();
                ApplyScroll(picture, state, boards, frame, yellow,
                            std::min(state.horizontal.range, state.horizontal.position + dx),
                            std::min(state.vertical.range, state.vertical.position + (i % 3 == 0 ? dy : 0)));
            }
        }
    }
    boards.resize(QSize(411, 279));
    RenderView(picture, state, boards, frame, yellow);
    boards.scaled.waitUntilAhead();
    boards.resize(QSize(1745, 946));
    RenderView(picture, state, boards, frame, yellow);
    boards.scaled.waitUntilAhead();

    const QSize kept = boards.scaled.keptSize();
    std::printf(
        "peak resident: %.1f MB at start, %.1f MB with the picture and its halvings, %.1f MB after the "
        "view's walks (kept pixels now %d x %d = %.1f MB)\n",
        atStart / 1024.0, withPicture / 1024.0, PeakKb() / 1024.0, kept.width(), kept.height(),
        4.0 * kept.width() * kept.height() / (1 << 20));
    return PeakKb() <= 192 * 1024 ? 0 : 1;
}
