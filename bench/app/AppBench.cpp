// Batch navigation: the time from a navigation key to the next picture shown,
// for 24-megapixel photos, with and without decoding ahead, beside Qt scaling
// the decoded picture to the view once; and keys pressed back to back through
// the batch controller, walking straight on (A, A, A, A) and turning back
// (A, A, D, D).
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <thread>

#include "NullPorts.h"
#include "TestImages.h"
#include "app/BatchController.h"
#include "app/MainActions.h"
#include "app/PicturePrefetch.h"
#include "batch/BatchTask.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "imaging/Encode.h"
#include "platform/OperatorDialogs.h"

using namespace picura;
using namespace picura::bench;

namespace {

// Six 24-megapixel JPEGs in a source folder, and the folders batch mode needs.
struct BatchFolder {
    QTemporaryDir dir;
    BatchFolder() {
        QDir(dir.path()).mkpath(QStringLiteral("in"));
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        QDir(dir.path()).mkpath(QStringLiteral("settings"));
        for (int i = 1; i <= 6; ++i) {
            QFile f(dir.filePath(QStringLiteral("in/p%1.jpg").arg(i)));
            f.open(QIODevice::WriteOnly);
            f.write(EncodeJpeg(test::MakePhotoLike(6000, 4000, 40 + i), 90));
        }
    }
};

BatchFolder& TwentyFourMegapixelFolder() {
    static BatchFolder folder;
    return folder;
}

// The best of `runs` Qt smooth scalings of `image` to fit `view`, in milliseconds.
double QtScaleMs(const QImage& image, QSize view, int runs) {
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const QImage scaled = image.scaled(view, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        best = i == 0 ? ms : std::min(best, ms);
    }
    return best;
}

// The folders of a batch over `folder`, and the batch controller's companions.
struct BatchDesk {
    Session state;
    ViewBoards boards{QSize(411, 279)};
    NullDialogs dialogs;
    NullPort port;
    NullBatchPort batchPort;
    MainActions actions{state, boards, dialogs, port};
    SaveRoad road{dialogs};
    BatchController batch{state, boards, actions, dialogs, batchPort, road};
    BatchSettingsResult settings;

    // The task file is written in `settingsFolder`, the folder's own when empty.
    explicit BatchDesk(const BatchFolder& folder, const QString& settingsFolder = {}) {
        state.frame = CropFrame{125, 34, 160, 210};
        batch.setSettingsFolder(settingsFolder.isEmpty() ? folder.dir.filePath(QStringLiteral("settings"))
                                                         : settingsFolder);
        settings.sourceFolder = folder.dir.filePath(QStringLiteral("in"));
        settings.saveFolder = folder.dir.filePath(QStringLiteral("out"));
        settings.formatText = QStringLiteral(".JPG");
        settings.namingIndex = 2;
    }
    QString picture(int n) const { return settings.sourceFolder + QStringLiteral("/p%1.jpg").arg(n); }
    // Waits until nothing decodes ahead any more, as while the operator looks at a picture.
    void settle(int position) {
        QCoreApplication::processEvents();  // the task file's write, left until the picture is shown
        for (int n : {position - 1, position + 1}) {
            while (batch.prefetch().decoding(picture(n))) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }
};

// A navigation key in batch mode on 24-megapixel photos, from the key to the
// next picture drawn in the view:
//   road 0: nothing decoded ahead (the picture is decoded on the key);
//   road 1: A onto the picture decoded ahead;
//   road 2: D back onto the picture just left, kept for a step back.
// The key leaves the task file's write (flushed to the disk) until the picture
// is painted, so it is not timed here; tmpfs:1 keeps that file in a memory file
// system, tmpfs:0 on the disk, to show the key no longer waits for the disk.
// Beside it, in the same run: Qt scaling the decoded picture to the view once
// (qt_ms, the best of 3 after each key) and the ratio of the mean key to it (x_qt).
void BM_KeyToShown(benchmark::State& st) {
    const int road = static_cast<int>(st.range(0));
    const bool tmpfs = st.range(1) != 0;
    const BatchFolder& folder = TwentyFourMegapixelFolder();
    QTemporaryDir memoryFolder(QStringLiteral("/dev/shm/picura-bench-XXXXXX"));
    if (tmpfs && !memoryFolder.isValid()) {
        st.SkipWithError("no /dev/shm");
        return;
    }
    BatchDesk desk(folder, tmpfs ? memoryFolder.path() : QString());
    desk.batch.applySettings(desk.settings);
    int position = 1;
    desk.settle(position);
    double keyMs = 0;
    double qtMs = 0;
    int keys = 0;
    for (auto _ : st) {
        st.PauseTiming();
        if (position == 6) {
            desk.batch.applySettings(desk.settings);
            position = 1;
            desk.settle(position);
        }
        const bool next = road != 2;
        if (road == 0) {
            desk.batch.prefetch().want({});
        } else if (road == 2) {
            // One step on, untimed; the step back is timed.
            desk.batch.onNavigationKey(true);
            desk.settle(position + 1);
        }
        st.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        desk.batch.onNavigationKey(next);
        keyMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        st.PauseTiming();
        ++keys;
        position += next ? 1 : 0;
        desk.settle(position);
        if (desk.state.picture().isNull()) {
            st.SkipWithError("picture not shown");
            break;
        }
        qtMs += QtScaleMs(desk.state.picture().image(), desk.boards.size(), 3);
        st.ResumeTiming();
    }
    if (keys > 0 && qtMs > 0) {
        st.counters["qt_ms"] = qtMs / keys;
        st.counters["x_qt"] = keyMs / qtMs;
    }
}
BENCHMARK(BM_KeyToShown)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"road", "tmpfs"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Four keys pressed back to back, from the first picture once its neighbour is
// decoded ahead; the time given is for the four keys.
void BM_BatchKeys(benchmark::State& st) {
    const bool reversal = st.range(0) != 0;
    BatchDesk desk(TwentyFourMegapixelFolder());
    const QString second = desk.picture(2);
    const bool keys[2][4] = {{true, true, true, true}, {true, true, false, false}};
    for (auto _ : st) {
        st.PauseTiming();
        desk.batch.applySettings(desk.settings);
        while (!desk.batch.prefetch().ready(second)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        st.ResumeTiming();
        for (const bool next : keys[reversal ? 1 : 0]) {
            desk.batch.onNavigationKey(next);
        }
    }
}
BENCHMARK(BM_BatchKeys)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("reversal")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// Moving past the last picture when 10,000 new pictures have been copied into
// the source folder: they are added to the task file.
void BM_AppendNewPictures(benchmark::State& st) {
    const int added = static_cast<int>(st.range(0));
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("in"));
    const QString source = dir.filePath(QStringLiteral("in"));
    QFile(source + QStringLiteral("/照片00000.jpg")).open(QIODevice::WriteOnly);
    for (int i = 1; i <= added; ++i) {
        QFile(source + QStringLiteral("/照片%1.jpg").arg(i, 5, 10, QLatin1Char('0')))
            .open(QIODevice::WriteOnly);
    }
    BatchCropTask task(BatchCropTask::PathIn(dir.path()), source);
    for (auto _ : st) {
        st.PauseTiming();
        task.create({QStringLiteral("照片00000.jpg")});
        st.ResumeTiming();
        if (!task.appendNewPictures() || task.count() != added + 1) {
            st.SkipWithError("pictures not appended");
            break;
        }
    }
}
BENCHMARK(BM_AppendNewPictures)
    ->Arg(10000)
    ->ArgName("pictures")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
