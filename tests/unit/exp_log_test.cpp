// The drawing's own exp, log and pow against the C library's, across the
// ranges the scene feeds them and at the edges of double range.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/exp_log.h"

namespace exitbutton {
namespace {

// |a - b| in units of the last place of b.
double UlpsApart(double a, double b) {
    const double ulp = std::nextafter(std::fabs(b), std::numeric_limits<double>::infinity()) - std::fabs(b);
    return std::fabs(a - b) / ulp;
}

TEST(ExpLog, ExpIsWithinAnUlpAcrossTheRangeTheSceneUses) {
    double worst = 0;
    for (double x = -60; x <= 3; x += 0.000731) worst = std::max(worst, UlpsApart(Exp(x), std::exp(x)));
    EXPECT_LE(worst, 1.0);
    EXPECT_EQ(Exp(0), 1.0);
    EXPECT_EQ(Exp(-0.0), 1.0);
}

TEST(ExpLog, ExpAtTheEdgesOfDoubleRange) {
    for (double x : {-700.0, -708.3, -720.0, -744.0, 100.0, 700.0, 709.7}) {
        EXPECT_LE(std::fabs(Exp(x) - std::exp(x)), 2e-15 * std::exp(x) + std::numeric_limits<double>::denorm_min() * 2)
            << x;
    }
    EXPECT_EQ(Exp(-746), 0.0);
    EXPECT_EQ(Exp(-1e300), 0.0);
    EXPECT_EQ(Exp(710), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(Exp(std::numeric_limits<double>::quiet_NaN())));
}

TEST(ExpLog, LogIsWithinAnUlpFromTinyToLarge) {
    double worst = 0;
    for (double x = 1e-300; x < 1e300; x *= 1.0173) worst = std::max(worst, UlpsApart(Log(x), std::log(x)));
    for (double x = 0.5; x <= 2; x += 0.0000917) {
        if (x == 1) continue;
        worst = std::max(worst, UlpsApart(Log(x), std::log(x)));
    }
    EXPECT_LE(worst, 1.0);
    EXPECT_EQ(Log(1), 0.0);
    EXPECT_EQ(Log(std::sqrt(2.0) * 1.0000000000000002), std::log(std::sqrt(2.0) * 1.0000000000000002));
}

// Through Exp(y Log x), the error grows with |y log x|: an ulp of that
// product is a relative error of the result.
TEST(ExpLog, PowKeepsTheSceneSExponentsCloseAndZeroAtZero) {
    for (double y : {2.2, 1 / 2.2, 1.5, 40.0}) {
        for (double x = 0.001; x <= 1.6; x += 0.000377) {
            const double expected = std::pow(x, y);
            const double tolerance = 4.5e-16 * (std::fabs(y * std::log(x)) + 2) * expected;
            EXPECT_LE(std::fabs(Pow(x, y) - expected), tolerance) << x << " ^ " << y;
        }
        EXPECT_EQ(Pow(0, y), 0.0);
        EXPECT_EQ(Pow(1, y), 1.0);
    }
}

}  // namespace
}  // namespace exitbutton
