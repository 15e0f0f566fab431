// Batch navigation: the time from a navigation key to the next picture shown,
// for 12-megapixel photos, with and without decoding ahead; and keys pressed
// back to back on 24-megapixel photos through the batch controller, walking
// straight on (A, A, A, A) and turning back (A, A, D, D).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

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

struct Photos {
    QTemporaryDir dir;
    QStringList paths;
    Photos() {
        for (int i = 0; i < 2; ++i) {
            const QString path = dir.filePath(QStringLiteral("p%1.jpg").arg(i));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(EncodeJpeg(test::MakePhotoLike(4000, 3000, 17 + i), 90));
            paths << path;
        }
    }
};

Photos& TwelveMegapixelPhotos() {
    static Photos photos;
    return photos;
}

void BM_KeyToShown(benchmark::State& st) {
    const bool prefetch = st.range(0) != 0;
    Photos& photos = TwelveMegapixelPhotos();
    Session state;
    state.frame = CropFrame{125, 34, 160, 210};
    ViewBoards boards(QSize(411, 279));
    NullDialogs dialogs;
    NullPort port;
    MainActions actions(state, boards, dialogs, port);
    PicturePrefetch cache;
    if (prefetch) {
        actions.setPrefetch(&cache);
    }
    int i = 0;
    for (auto _ : st) {
        const QString& next = photos.paths[i++ % photos.paths.size()];
        if (prefetch) {
            // While the operator looks at the current picture, the next one decodes.
            st.PauseTiming();
            cache.want({next});
            while (!cache.ready(next)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            st.ResumeTiming();
        }
        benchmark::DoNotOptimize(actions.loadPictureFile(next));
    }
}
BENCHMARK(BM_KeyToShown)->Arg(0)->Arg(1)->ArgName("prefetch")->Unit(benchmark::kMillisecond)->UseRealTime();

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

// Four keys pressed back to back, from the first picture once its neighbour is
// decoded ahead; the time given is for the four keys.
void BM_BatchKeys(benchmark::State& st) {
    const bool reversal = st.range(0) != 0;
    BatchFolder& folder = TwentyFourMegapixelFolder();
    Session state;
    state.frame = CropFrame{125, 34, 160, 210};
    ViewBoards boards(QSize(411, 279));
    NullDialogs dialogs;
    NullPort port;
    NullBatchPort batchPort;
    MainActions actions(state, boards, dialogs, port);
    SaveRoad road(dialogs);
    BatchController batch(state, boards, actions, dialogs, batchPort, road);
    batch.setSettingsFolder(folder.dir.filePath(QStringLiteral("settings")));
    BatchSettingsResult settings;
    settings.sourceFolder = folder.dir.filePath(QStringLiteral("in"));
    settings.saveFolder = folder.dir.filePath(QStringLiteral("out"));
    settings.formatText = QStringLiteral(".JPG");
    settings.namingIndex = 2;
    const QString second = settings.sourceFolder + QStringLiteral("/p2.jpg");
    const bool keys[2][4] = {{true, true, true, true}, {true, true, false, false}};
    for (auto _ : st) {
        st.PauseTiming();
        batch.applySettings(settings);
        while (!batch.prefetch().ready(second)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        st.ResumeTiming();
        for (const bool next : keys[reversal ? 1 : 0]) {
            batch.onNavigationKey(next);
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
