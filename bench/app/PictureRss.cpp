// The memory 24-megapixel photos cost, for `/usr/bin/time -v`:
//   picura_picture_rss make FOLDER [COUNT]  writes COUNT (8) 6000 × 4000 JPEGs into FOLDER/in;
//   picura_picture_rss open FOLDER          decodes FOLDER/in/p1.jpg and shows it in the default view;
//   picura_picture_rss opened FOLDER [W H]  opens it as the operator does (reduced first, full after), in
//                                           the default view or one of W × H (2385 × 1306, a window
//                                           maximised on a 2560 × 1440 screen, takes the reduction to 1/2);
//   picura_picture_rss walk FOLDER [ROUNDS] walks the folder in batch mode with A to the end and back
//                                           with D, ROUNDS (2) times, letting the decodes ahead finish
//                                           after each key as an operator looking at a picture would.
// `open` and `walk` print the resident size before the first picture (the baseline), the peak, and
// what the pictures cost over the baseline, also as a multiple of one decoded picture (4 bytes a pixel).
// The files are made by a separate run so that making them leaves no trace in the peak.
// With PICURA_RSS_TRACE set, `walk` also prints the resident size around each key and what the
// allocator holds once the decodes ahead have finished.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QThread>

#include <malloc.h>
#include <cstdio>
#include <fstream>
#include <string>

#include "NullPorts.h"
#include "TestImages.h"
#include "app/BatchController.h"
#include "app/MainActions.h"
#include "app/PicturePrefetch.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "platform/OperatorDialogs.h"
#include "view/ViewRenderer.h"

using namespace picura;
using namespace picura::bench;

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kDecodedMb = kWidth * kHeight * 4 / 1e6;

// A field of /proc/self/status in kB (VmRSS, VmHWM), 0 when it cannot be read.
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return 0;
}

double Mb(long kb) {
    return kb * 1024 / 1e6;
}

void Report(const char* what, long baselineKb) {
    const long peakKb = StatusKb("VmHWM");
    const double costMb = Mb(peakKb - baselineKb);
    std::printf(
        "%s: baseline %.1f MB, peak %.1f MB, pictures cost %.1f MB = %.2f x one decoded %dx%d (%.0f MB)\n",
        what, Mb(baselineKb), Mb(peakKb), costMb, costMb / kDecodedMb, kWidth, kHeight, kDecodedMb);
}

QString Photo(const QString& folder, int n) {
    return folder + QStringLiteral("/in/p%1.jpg").arg(n);
}

int Make(const QString& folder, int count) {
    QDir(folder).mkpath(QStringLiteral("in"));
    QDir(folder).mkpath(QStringLiteral("out"));
    for (int i = 1; i <= count; ++i) {
        QFile f(Photo(folder, i));
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(EncodeJpeg(test::MakePhotoLike(kWidth, kHeight, 40 + i), 90)) <= 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    std::printf("%d photos of %dx%d in %s/in\n", count, kWidth, kHeight, qPrintable(folder));
    return 0;
}

int Open(const QString& folder) {
    ViewBoards boards(QSize(411, 279));
    ViewState view;
    const CropFrame frame{125, 34, 160, 210};
    const long baselineKb = StatusKb("VmRSS");
    DecodeResult decoded = DecodePictureFileChecked(Photo(folder, 1), kDefaultMaxPicturePixels);
    if (decoded.picture.isNull() || !ShowNewPicture(decoded.picture, view, boards, frame, Qt::red)) {
        std::fprintf(stderr, "%s not shown\n", qPrintable(Photo(folder, 1)));
        return 1;
    }
    Report("one photo opened and shown", baselineKb);
    return 0;
}

// The operator's road: opened through the Main window's operations, shown first from a reduced decode,
// then the full picture from its background decode, then a crop-ready view.
int Opened(const QString& folder, QSize view) {
    Session session;
    session.frame = CropFrame{125, 34, 160, 210};
    ViewBoards boards(view);
    NullDialogs dialogs;
    NullPort port;
    MainActions actions(session, boards, dialogs, port);
    const long baselineKb = StatusKb("VmRSS");
    if (!actions.loadPictureFile(Photo(folder, 1)) || !actions.completePicture()) {
        std::fprintf(stderr, "%s not shown\n", qPrintable(Photo(folder, 1)));
        return 1;
    }
    QCoreApplication::processEvents();
    std::printf("view %d x %d\n", view.width(), view.height());
    Report("one photo opened by the operator (reduced first, then full)", baselineKb);
    return 0;
}

int Walk(const QString& folder, int rounds) {
    int count = 0;
    while (QFile::exists(Photo(folder, count + 1))) {
        ++count;
    }
    if (count < 2) {
        std::fprintf(stderr, "no photos in %s/in: run `make` first\n", qPrintable(folder));
        return 1;
    }
    Session state;
    state.frame = CropFrame{125, 34, 160, 210};
    ViewBoards boards(QSize(411, 279));
    NullDialogs dialogs;
    NullPort port;
    NullBatchPort batchPort;
    MainActions actions(state, boards, dialogs, port);
    SaveRoad road(dialogs);
    BatchController batch(state, boards, actions, dialogs, batchPort, road);
    batch.setSettingsFolder(folder);
    BatchSettingsResult settings;
    settings.sourceFolder = folder + QStringLiteral("/in");
    settings.saveFolder = folder + QStringLiteral("/out");
    settings.formatText = QStringLiteral(".JPG");
    settings.namingIndex = 2;
    const bool trace = qEnvironmentVariableIsSet("PICURA_RSS_TRACE");
    const auto settle = [&] {
        for (int n = 1; n <= count; ++n) {
            while (batch.prefetch().decoding(Photo(folder, n))) {
                QThread::msleep(2);
            }
        }
        QThread::msleep(50);  // pictures let go of are given back by the decoding threads
        if (trace) {
            const struct mallinfo2 m = mallinfo2();
            std::fprintf(stderr,
                         "  settled: resident %.0f MB; allocator heaps %.0f MB (%.0f free), mapped %.0f MB\n",
                         Mb(StatusKb("VmRSS")), m.arena / 1e6, m.fordblks / 1e6, m.hblkhd / 1e6);
        }
    };
    const long baselineKb = StatusKb("VmRSS");
    batch.applySettings(settings);
    settle();
    int keys = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const bool next : {true, false}) {
            for (int step = 1; step < count; ++step) {
                const long beforeKb = StatusKb("VmRSS");
                batch.onNavigationKey(next);
                ++keys;
                if (trace) {
                    std::fprintf(
                        stderr,
                        "key %d %c: resident %.0f MB before, %.0f MB after, peak %.0f MB; counted %.0f MB\n",
                        keys, next ? 'A' : 'D', Mb(beforeKb), Mb(StatusKb("VmRSS")), Mb(StatusKb("VmHWM")),
                        batch.prefetch().countedBytes() / 1e6);
                }
                if (state.picture().isNull()) {
                    std::fprintf(stderr, "key %d showed no picture\n", keys);
                    return 1;
                }
                settle();
            }
        }
    }
    std::printf("%d photos, %d keys there and back; the pictures counted %.1f MB at the end\n", count, keys,
                batch.prefetch().countedBytes() / 1e6);
    Report("batch walk with decoding ahead", baselineKb);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s make|open|opened|walk FOLDER [COUNT|ROUNDS|W H]\n", argv[0]);
        return 2;
    }
    const QString& mode = args[1];
    const QString& folder = args[2];
    const int number = args.size() > 3 ? args[3].toInt() : 0;
    if (mode == QStringLiteral("make")) {
        return Make(folder, number > 0 ? number : 8);
    }
    if (mode == QStringLiteral("open")) {
        return Open(folder);
    }
    if (mode == QStringLiteral("opened")) {
        const QSize view = args.size() > 4 ? QSize(args[3].toInt(), args[4].toInt()) : QSize();
        return Opened(folder, view.isEmpty() ? QSize(411, 279) : view);
    }
    if (mode == QStringLiteral("walk")) {
        return Walk(folder, number > 0 ? number : 2);
    }
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
