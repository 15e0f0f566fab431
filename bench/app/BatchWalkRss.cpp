// Peak memory of a batch walk over hostile pictures: a folder of 60-byte files that
// each declare about 119 megapixels (just under the decoders' limit, so each one
// that decodes takes some 475 MB of pixels), and some declaring 15800 × 15800.
// Walks the folder with A to the end and back with D, as an operator would, and
// prints the largest memory the pictures counted; run it under
// `/usr/bin/time -v` for the peak resident size.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "NullPorts.h"
#include "TestImages.h"
#include "app/BatchController.h"
#include "app/MainActions.h"
#include "app/PictureBudget.h"
#include "app/PicturePrefetch.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "platform/OperatorDialogs.h"

using namespace picura;
using namespace picura::bench;

namespace {

// A complete 8-bit RLE BMP of w × h pixels whose data is only "end of bitmap":
// 60 bytes that decode to a picture of that size.
QByteArray RleBmpDeclaring(int w, int h) {
    QByteArray bmp(54 + 4 + 2, '\0');
    const auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<quint32>(bmp.size()));
    put32(10, 54 + 4);
    put32(14, 40);
    put32(18, static_cast<quint32>(w));
    put32(22, static_cast<quint32>(h));
    put32(26, 1 | (8 << 16));  // planes, bits per pixel
    put32(30, 1);              // RLE8
    put32(34, 2);
    put32(46, 1);  // one palette entry
    bmp[54] = 0x40;
    bmp[55] = static_cast<char>(0x80);
    bmp[56] = static_cast<char>(0xC0);
    bmp[59] = 0x01;  // 00 01: end of bitmap
    return bmp;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 8;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("in"));
    QDir(dir.path()).mkpath(QStringLiteral("out"));
    const QByteArray big = RleBmpDeclaring(10900, 10900);
    const QByteArray huge = RleBmpDeclaring(15800, 15800);
    for (int i = 1; i <= count; ++i) {
        QFile f(dir.filePath(QStringLiteral("in/h%1.bmp").arg(i, 3, 10, QLatin1Char('0'))));
        f.open(QIODevice::WriteOnly);
        f.write(i % 4 == 0 ? huge : big);
    }
    {
        const DecodeResult probe = DecodePictureChecked(big, kDefaultMaxPicturePixels);
        std::printf("one hostile file: %lld bytes, decodes to %dx%d (%s)\n",
                    static_cast<long long>(big.size()), probe.picture.width(), probe.picture.height(),
                    probe.picture.isNull() ? "refused" : "taken");
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
    batch.setSettingsFolder(dir.path());
    BatchSettingsResult settings;
    settings.sourceFolder = dir.filePath(QStringLiteral("in"));
    settings.saveFolder = dir.filePath(QStringLiteral("out"));
    settings.formatText = QStringLiteral(".JPG");
    settings.namingIndex = 2;
    batch.applySettings(settings);
    std::int64_t most = batch.prefetch().countedBytes();
    for (int step = 0; step < 2 * (count - 1); ++step) {
        batch.onNavigationKey(step < count - 1);
        // Give the decodes ahead time to run, as an operator looking at a picture would.
        for (int i = 0; i < 200; ++i) {
            most = std::max(most, batch.prefetch().countedBytes());
            QThread::msleep(5);
        }
    }
    std::printf(
        "%d pictures walked there and back; %d refused for their size; most counted %.0f MB of %.0f MB\n",
        count, dialogs.tooLarge, most / 1048576.0, PictureBudget::kTotalBytes / 1048576.0);
    return 0;
}
