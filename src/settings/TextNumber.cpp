#include "settings/TextNumber.h"

#include <cmath>
#include <limits>

namespace picura {

double TextToNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto at = [&](qsizetype k) { return k < n ? text[k] : QChar(); };
    while (i < n && (at(i) == QLatin1Char(' ') || at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    QString number;
    if (at(i) == QLatin1Char('+') || at(i) == QLatin1Char('-')) {
        number += at(i++);
    }
    bool digits = false;
    while (at(i).isDigit() && at(i).unicode() < 128) {
        number += at(i++);
        digits = true;
    }
    if (at(i) == QLatin1Char('.')) {
        number += at(i++);
        while (at(i).isDigit() && at(i).unicode() < 128) {
            number += at(i++);
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    if (at(i) == QLatin1Char('e') || at(i) == QLatin1Char('E')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (at(j) == QLatin1Char('+') || at(j) == QLatin1Char('-')) {
            exponent += at(j++);
        }
        bool expDigits = false;
        while (at(j).isDigit() && at(j).unicode() < 128) {
            exponent += at(j++);
            expDigits = true;
        }
        if (expDigits) {
            number += exponent;
        }
    }
    bool ok = false;
    const double v = number.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

int Trunc(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double t = std::trunc(v);
    if (t >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (t <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(t);
}

}  // namespace picura
