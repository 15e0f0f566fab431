#pragma once

#include <QString>

namespace picura {

// The number at the start of a text, the way the program reads every edit box
// and stored value: leading blanks are skipped, then an optional sign, digits,
// an optional fraction and exponent are taken; whatever follows is ignored.
// Text that does not start with a number gives 0.
double TextToNumber(const QString& text);

// Real numbers compare with a tolerance of 0.0000001.
inline constexpr double kTolerance = 0.0000001;
inline bool NearlyEqual(double a, double b) {
    return (a - b <= kTolerance) && (b - a <= kTolerance);
}
inline bool LessOrEqual(double a, double b) {
    return a - b <= kTolerance;
}

// Truncation toward zero, saturated to the int range (NaN gives 0).
int Trunc(double v);

}  // namespace picura
