// How good our JPEGs under a size limit are, beside ImageMagick's `-define jpeg:extent` at the same limit:
// 3 crop sizes × 4 limits (10, 20, 30, 50 KB) × 4 photo-like pictures. For each case it prints the bytes,
// the quality and the PSNR and SSIM against the crop of our file (the program's own size search), of the
// same search with the colour planes always at half or always at full resolution, and of ImageMagick's,
// then the differences to ImageMagick's over all cases.
//
// Usage: picura_bench_jpeg_quality [path of ImageMagick's convert, default "convert"]
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "imaging/Picture.h"
#include "output/EncodePicture.h"
#include "output/JpegSizeSearch.h"

using namespace picura;

namespace {

struct Measure {
    qint64 bytes = 0;
    int quality = -1;
    double psnr = 0;
    double ssim = 0;
};

// PSNR over the three colour channels.
double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::vector<double> Luma(const QImage& image) {
    std::vector<double> y(static_cast<std::size_t>(image.width()) * image.height());
    for (int r = 0; r < image.height(); ++r) {
        for (int c = 0; c < image.width(); ++c) {
            const QRgb p = image.pixel(c, r);
            y[static_cast<std::size_t>(r) * image.width() + c] =
                0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
        }
    }
    return y;
}

// Mean SSIM of the luma over 8 × 8 windows every 4 pixels.
double Ssim(const QImage& a, const QImage& b) {
    const std::vector<double> ya = Luma(a), yb = Luma(b);
    const int w = a.width();
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double total = 0;
    int windows = 0;
    for (int y0 = 0; y0 + 8 <= a.height(); y0 += 4) {
        for (int x0 = 0; x0 + 8 <= w; x0 += 4) {
            double ma = 0, mb = 0, va = 0, vb = 0, cov = 0;
            for (int y = y0; y < y0 + 8; ++y) {
                for (int x = x0; x < x0 + 8; ++x) {
                    ma += ya[static_cast<std::size_t>(y) * w + x];
                    mb += yb[static_cast<std::size_t>(y) * w + x];
                }
            }
            ma /= 64;
            mb /= 64;
            for (int y = y0; y < y0 + 8; ++y) {
                for (int x = x0; x < x0 + 8; ++x) {
                    const double da = ya[static_cast<std::size_t>(y) * w + x] - ma;
                    const double db = yb[static_cast<std::size_t>(y) * w + x] - mb;
                    va += da * da;
                    vb += db * db;
                    cov += da * db;
                }
            }
            va /= 63;
            vb /= 63;
            cov /= 63;
            total += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++windows;
        }
    }
    return windows > 0 ? total / windows : 0;
}

Measure Judge(const QByteArray& bytes, int quality, const QImage& crop) {
    Measure m;
    m.bytes = bytes.size();
    m.quality = quality;
    const Picture decoded = DecodePicture(bytes);
    if (decoded.isNull() || decoded.size() != crop.size()) {
        return m;
    }
    m.psnr = Psnr(decoded.image(), crop);
    m.ssim = Ssim(decoded.image(), crop);
    return m;
}

class ChromaEncoder : public QualityEncoder {
  public:
    ChromaEncoder(const QImage& image, JpegChroma chroma) : encoder_(image, chroma) {}
    QByteArray encode(int quality) override { return encoder_.encode(quality); }
    bool largerThan(int quality, qint64 limitBytes) override {
        return encoder_.largerThan(quality, limitBytes);
    }

  private:
    JpegEncoder encoder_;
};

Measure Search(const QImage& crop, JpegChroma chroma, int kb) {
    ChromaEncoder encoder(crop, chroma);
    const EncodeResult r = SearchJpegQuality(encoder, JpegLimitBytes(kb));
    return Judge(r.bytes, r.ok ? r.quality : -1, crop);
}

Measure ImageMagick(const QString& convert, const QImage& crop, int kb, const QDir& dir) {
    const QString in = dir.filePath("crop.png");
    const QString out = dir.filePath("im.jpg");
    crop.save(in);
    QFile::remove(out);
    QProcess::execute(convert, {in, "-define", QString("jpeg:extent=%1kb").arg(kb), out});
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    QProcess identify;
    identify.start("identify", {"-format", "%Q", out});
    identify.waitForFinished();
    return Judge(bytes, identify.readAllStandardOutput().toInt(), crop);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Summary(const char* name, const std::vector<double>& psnr, const std::vector<double>& ssim) {
    const auto worse = std::count_if(psnr.begin(), psnr.end(), [](double d) { return d < -0.1; });
    const auto better = std::count_if(psnr.begin(), psnr.end(), [](double d) { return d > 0; });
    std::printf(
        "%-12s PSNR vs ImageMagick: median %+.3f dB, worst %+.3f dB, better in %td, worse by > 0.1 dB in %td"
        " of %zu; SSIM median %+.4f, worst %+.4f\n",
        name, Median(psnr), *std::min_element(psnr.begin(), psnr.end()), better, worse, psnr.size(),
        Median(ssim), *std::min_element(ssim.begin(), ssim.end()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString convert = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("convert");
    QTemporaryDir dir;
    const QSize crops[] = {{295, 413}, {358, 441}, {413, 626}};
    const int limits[] = {10, 20, 30, 50};
    // Head-shot crops are views of a larger photo at some zoom: the zoom decides how much of the fine
    // grain survives.
    const double zooms[] = {1.0, 0.5, 0.25, 0.15};
    std::vector<double> dOurs, dHalf, dFull, sOurs, sHalf, sFull;
    std::printf("%-9s %3s %-4s | %-22s | %-22s | %-22s | %-22s\n", "crop", "KB", "pic",
                "ours: bytes q PSNR SSIM", "half chroma", "full chroma", "ImageMagick");
    for (int p = 0; p < 4; ++p) {
        const Picture photo(test::MakePhotoLike(3000, 2000, static_cast<unsigned>(p + 1)));
        const int sw = static_cast<int>(3000 * zooms[p]), sh = static_cast<int>(2000 * zooms[p]);
        for (const QSize c : crops) {
            const QImage crop = photo.scaledPart(
                sw, sh, QRect((sw - c.width()) / 2, (sh - c.height()) / 2, c.width(), c.height()));
            for (const int kb : limits) {
                const Measure ours = Judge(EncodePicture(crop, OutputFormat::Jpg, kb).bytes,
                                           EncodePicture(crop, OutputFormat::Jpg, kb).quality, crop);
                const Measure half = Search(crop, JpegChroma::Half, kb);
                const Measure full = Search(crop, JpegChroma::Full, kb);
                const Measure im = ImageMagick(convert, crop, kb, QDir(dir.path()));
                auto cell = [](const Measure& m) {
                    static char text[4][64];
                    static int next = 0;
                    char* t = text[next++ % 4];
                    std::snprintf(t, 64, "%6lld %3d %5.2f %.4f", static_cast<long long>(m.bytes), m.quality,
                                  m.psnr, m.ssim);
                    return t;
                };
                std::printf("%4dx%-4d %3d z%.2f | %s | %s | %s | %s\n", c.width(), c.height(), kb, zooms[p],
                            cell(ours), cell(half), cell(full), cell(im));
                dOurs.push_back(ours.psnr - im.psnr);
                dHalf.push_back(half.psnr - im.psnr);
                dFull.push_back(full.psnr - im.psnr);
                sOurs.push_back(ours.ssim - im.ssim);
                sHalf.push_back(half.ssim - im.ssim);
                sFull.push_back(full.ssim - im.ssim);
            }
        }
    }
    Summary("ours", dOurs, sOurs);
    Summary("half chroma", dHalf, sHalf);
    Summary("full chroma", dFull, sFull);
    return 0;
}
