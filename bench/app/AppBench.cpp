// Batch navigation: the time from a navigation key to the next picture shown,
// for 12-megapixel photos, with and without decoding ahead.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

#include "TestImages.h"
#include "app/MainActions.h"
#include "platform/OperatorDialogs.h"
#include "app/PicturePrefetch.h"
#include "imaging/Encode.h"

using namespace picura;

namespace {

class NullPort : public MainWindowPort {
  public:
    QColor frameColour() const override { return QColor(255, 255, 0); }
    void showView() override {}
    void focusView() override {}
    void dropPendingText() override {}
    void setViewCursor(ViewCursor) override {}
};

class NullDialogs : public OperatorDialogs {
  public:
    MessageAnswer message(const QString&, const QString&, MessageIcon, MessageButtons) override {
        return MessageAnswer::Ok;
    }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> pickFolder(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QColor> pickColour(const QColor&, const QString&) override { return std::nullopt; }
    std::optional<QFont> pickFont(const QFont&, const QString&) override { return std::nullopt; }
};

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
    MainWindowState state;
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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
