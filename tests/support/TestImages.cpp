#include "TestImages.h"
#include <algorithm>
#include <random>

#include <cmath>
#include <cstdlib>

namespace picura::test {

QImage MakeGrainyPhoto(int width, int height) {
    QImage image = MakePhotoLike(width, height, 11);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> grain(-10, 10);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const int g = grain(rng);
            line[x] = qRgb(std::clamp(qRed(p) + g, 0, 255), std::clamp(qGreen(p) + g, 0, 255),
                           std::clamp(qBlue(p) + g, 0, 255));
        }
    }
    return image;
}

QImage MakePhotoLike(int width, int height, unsigned seed) {
    QImage img(width, height, QImage::Format_RGB32);
    unsigned state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 7) - 4;
            const double fx = static_cast<double>(x) / std::max(1, width);
            const double fy = static_cast<double>(y) / std::max(1, height);
            int r = static_cast<int>(128 + 100 * std::sin(fx * 6.0 + fy * 2.0)) + noise;
            int g = static_cast<int>(128 + 100 * std::cos(fy * 5.0 - fx)) + noise;
            int b = static_cast<int>(200 * fx * fy + 30) + noise;
            r = std::clamp(r, 0, 255);
            g = std::clamp(g, 0, 255);
            b = std::clamp(b, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return img;
}

QImage MakeSolid(int width, int height, QRgb colour) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(ca.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x) {
            worst =
                std::max({worst, std::abs(qRed(la[x]) - qRed(lb[x])), std::abs(qGreen(la[x]) - qGreen(lb[x])),
                          std::abs(qBlue(la[x]) - qBlue(lb[x]))});
        }
    }
    return worst;
}

double MeanChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(ca.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x) {
            sum += std::abs(qRed(la[x]) - qRed(lb[x])) + std::abs(qGreen(la[x]) - qGreen(lb[x])) +
                   std::abs(qBlue(la[x]) - qBlue(lb[x]));
        }
    }
    const double n = 3.0 * ca.width() * ca.height();
    return n > 0 ? sum / n : 0.0;
}

}  // namespace picura::test
