#pragma once

#include <QImage>

namespace picura::test {

// A photo-like test picture: smooth gradients with some detail, RGB32.
QImage MakePhotoLike(int width, int height, unsigned seed = 1);
// A photo-like picture with a fine grain, as a sensor gives: quality 100 keeps it, so its JPEG is large.
QImage MakeGrainyPhoto(int width, int height);
// A picture of one colour.
QImage MakeSolid(int width, int height, QRgb colour);
// Largest difference of any channel between two pictures of the same size; -1 if sizes differ.
int MaxChannelDifference(const QImage& a, const QImage& b);
// Mean absolute difference over all channels; -1 if sizes differ.
double MeanChannelDifference(const QImage& a, const QImage& b);

}  // namespace picura::test
