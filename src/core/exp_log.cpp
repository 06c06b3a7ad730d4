#include "core/exp_log.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace exitbutton {

namespace {

// ln 2 split so that k * kLn2High is exact for the k that occur.
constexpr double kLn2High = 6.93147180369123816490e-01;
constexpr double kLn2Low = 1.90821492927058770002e-10;
constexpr double kInverseLn2 = 1.44269504088896338700e+00;

// The whole number nearest to |v| < 2^51, ties to even: adding 1.5 * 2^52
// leaves no bits below the units. MinGW's nearbyint took a third of Exp's
// time by switching the x87 unit's modes.
double Nearest(double v) {
    constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52
    return (v + kShift) - kShift;
}

// 2^k for a k in the normal range, built from its bits.
double PowerOfTwo(int k) { return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52); }

}  // namespace

double Exp(double x) {
    if (x != x) return x;
    if (x > 709.78) return std::numeric_limits<double>::infinity();
    if (x < -745.2) return 0;
    // x = k ln 2 + r with |r| <= ln 2 / 2, then e^r from a rational form whose
    // remez coefficients keep the error under an ulp.
    const double k = Nearest(x * kInverseLn2);
    const double high = x - k * kLn2High;
    const double low = k * kLn2Low;
    const double r = high - low;
    const double r2 = r * r;
    constexpr double p1 = 1.66666666666666019037e-01, p2 = -2.77777777770155933842e-03,
                     p3 = 6.61375632143793436117e-05, p4 = -1.65339022054652515390e-06,
                     p5 = 4.13813679705723846039e-08;
    const double c = r - r2 * (p1 + r2 * (p2 + r2 * (p3 + r2 * (p4 + r2 * p5))));
    const double y = 1 - ((low - (r * c) / (2 - c)) - high);
    const int exponent = static_cast<int>(k);
    // 2^exponent itself may be out of range where the result is not.
    if (exponent < -1021) return y * PowerOfTwo(exponent + 1000) * PowerOfTwo(-1000);
    if (exponent > 1023) return y * 2 * PowerOfTwo(exponent - 1);
    return y * PowerOfTwo(exponent);
}

double Log(double x) {
    // x = 2^k (1 + f) with 1 + f in [sqrt(2)/2, sqrt(2)), then
    // log(1 + f) = f - f^2/2 + s (f^2/2 + R(s^2)) with s = f / (2 + f).
    auto bits = std::bit_cast<std::uint64_t>(x);
    int k = static_cast<int>(bits >> 52) - 1023;
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;  // the mantissa in [1, 2)
    double m = std::bit_cast<double>(bits);
    if (m > 1.4142135623730951) {
        m /= 2;
        ++k;
    }
    const double f = m - 1;
    const double s = f / (2 + f);
    const double z = s * s, w = z * z;
    constexpr double lg1 = 6.666666666666735130e-01, lg2 = 3.999999999940941908e-01,
                     lg3 = 2.857142874366239149e-01, lg4 = 2.222219843214978396e-01,
                     lg5 = 1.818357216161805012e-01, lg6 = 1.531383769920937332e-01,
                     lg7 = 1.479819860511658591e-01;
    const double t1 = w * (lg2 + w * (lg4 + w * lg6));
    const double t2 = z * (lg1 + w * (lg3 + w * (lg5 + w * lg7)));
    const double r = t2 + t1;
    const double halfSquare = 0.5 * f * f;
    return k * kLn2High - ((halfSquare - (s * (halfSquare + r) + k * kLn2Low)) - f);
}

double Pow(double x, double y) { return x > 0 ? Exp(y * Log(x)) : 0; }

}  // namespace exitbutton
