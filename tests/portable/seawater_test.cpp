// Practical salinity and depth for the export, against published check
// values of the TEOS-10 toolbox (its Python implementation gives the same
// numbers), and the inputs that must give NaN rather than a number.
#include "export/seawater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Seawater, PracticalSalinityMatchesTheCheckValues)
{
    struct Case {
        double c, t, p, sp, tolerance;
    };
    const Case cases[] = {
        // Standard seawater: C(35, 15 degC IPTS-68, 0) is 42.914 mS/cm, SP
        // 35.0000 to the scale's four decimals (the toolbox: 34.99999980188851).
        {42.914, 14.996401, 0, 35.0000, 5e-5},
        {42.914, 14.996401, 0, 34.99999980188851, 1e-12},
        {55.19754712635529, 27.962, 0, 34.30628739259972, 1e-12},
        {33.382144048823484, 4.9176, 909, 34.532505000117716, 1e-12},
        {32.48916082075326, 1.5998, 6131, 34.71492116956134, 1e-12},
        // Fresh water: below SP 2 the Hill et al. extension applies.
        {1.0, 10, 0, 0.7064441440716867, 1e-12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "C " << c.c << " T " << c.t << " p " << c.p);
        EXPECT_NEAR(PracticalSalinity(c.c, c.t, c.p), c.sp, c.tolerance);
    }
}

TEST(Seawater, PracticalSalinityIsContinuousWhereTheHillExtensionTakesOver)
{
    // At each temperature, find the conductivity where PSS-78 gives SP 2 by
    // bisection, and compare the salinity just below (Hill) and just above
    // (PSS-78): the scaled Hill formula must meet PSS-78 there.
    for (double t : {-2.0, 0.0, 10.0, 25.0, 35.0}) {
        SCOPED_TRACE(testing::Message() << "T " << t);
        double lo = 0.5, hi = 10.0;
        for (int i = 0; i < 200; ++i) {
            double mid = 0.5 * (lo + hi);
            (PracticalSalinity(mid, t, 0) < 2.0 ? lo : hi) = mid;
        }
        const double below = PracticalSalinity(lo, t, 0);
        const double above = PracticalSalinity(hi, t, 0);
        EXPECT_LT(below, 2.0);
        EXPECT_GE(above, 2.0);
        EXPECT_NEAR(below, 2.0, 1e-12);
        EXPECT_NEAR(above, 2.0, 1e-12);
    }
}

TEST(Seawater, PracticalSalinityIsNaNWithoutAMeaningfulInput)
{
    struct Case {
        double c, t, p;
    };
    const Case cases[] = {
        {kNaN, 10, 0},     {35, kNaN, 0},   {35, 10, kNaN},  // a missing measurement
        {0.0, 10, 0},      {-0.0, 10, 0},   {-5, 10, 0},     // no conductivity: a dead or dry cell
        {kInf, 10, 0},     {35, kInf, 0},   {35, 10, kInf},  // no measurement either
        {-kInf, 10, 0},    {35, 10, -kInf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "C " << c.c << " T " << c.t << " p " << c.p);
        EXPECT_TRUE(std::isnan(PracticalSalinity(c.c, c.t, c.p))) << PracticalSalinity(c.c, c.t, c.p);
    }
    // A conductivity barely above zero gives a salinity near zero, never a
    // negative one (the formula's rounding there gives NaN instead).
    for (double c : {1e-300, 1e-12, 1e-6, 1e-3}) {
        for (double t : {-2.0, 15.0, 35.0}) {
            const double sp = PracticalSalinity(c, t, 0);
            EXPECT_TRUE(std::isnan(sp) || (sp >= 0.0 && sp < 1e-3)) << "C " << c << " T " << t << ": " << sp;
        }
    }
}

TEST(Seawater, DepthMatchesTheCheckValueAndIsPositiveDown)
{
    EXPECT_NEAR(HeightFromPressure(909, 11), -901.8572642972814, 1e-9);
    EXPECT_NEAR(DepthFromPressure(909, 11), 901.8572642972814, 1e-9);
    EXPECT_EQ(DepthFromPressure(0, 45), 0.0);
    EXPECT_FALSE(std::signbit(DepthFromPressure(0, 45)));
    // Gravity is stronger at the poles: the same pressure is a shallower depth.
    EXPECT_LT(DepthFromPressure(5000, 90), DepthFromPressure(5000, 0));
    EXPECT_DOUBLE_EQ(DepthFromPressure(5000, -30), DepthFromPressure(5000, 30));
    EXPECT_DOUBLE_EQ(DepthFromPressure(5000, 100), DepthFromPressure(5000, 80));
    EXPECT_TRUE(std::isnan(DepthFromPressure(kNaN, 11)));
    EXPECT_TRUE(std::isnan(DepthFromPressure(909, kNaN)));
}

TEST(Seawater, EveryPlatformComputesTheSameBits)
{
    // The same inputs must give the same doubles natively and under wine (the
    // export's bytes depend on it): a digest of the bits of many results,
    // with inputs made by integer arithmetic only.
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0;  // [0, 1), exact
    };
    uint64_t digest = 1469598103934665603ull;  // FNV-1a
    auto mix = [&digest](double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) {
            digest ^= (bits >> (8 * i)) & 0xFF;
            digest *= 1099511628211ull;
        }
    };
    for (int i = 0; i < 20000; ++i) {
        const double c = 0.5 + 69.5 * next();
        const double t = -2.0 + 37.0 * next();
        const double p = 7000.0 * next();
        const double lat = -90.0 + 180.0 * next();
        mix(PracticalSalinity(c, t, p));
        mix(DepthFromPressure(p, lat));
    }
    EXPECT_EQ(digest, 13920130800664149423ull);
}

}  // namespace

TEST(Seawater, ManyAtATimeGiveTheBitsOfOneAtATime)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    // Conductivity, temperature, pressure: usual seawater, the low-salinity
    // formula, absurd and missing inputs.
    const double scans[][3] = {{42.914, 15, 0},  {35.2, 10.1, 1200}, {0.3, 4, 10},     {0.0001, 20, 0},
                               {0, 10, 10},      {-3, 10, 10},       {kNaN, 10, 10},   {40, kInf, 10},
                               {40, 10, -kInf},  {1e30, 10, 10},     {55, -2, 6000},   {20, 30, -5},
                               {48.1, 25.4, 33}, {33, 2.2, 4999.5},  {2.5, 0.5, 100.25}};
    constexpr std::size_t n = std::size(scans);
    double c[n], t[n], p[n], many[n], heights[n];
    for (std::size_t i = 0; i < n; ++i) {
        c[i] = scans[i][0];
        t[i] = scans[i][1];
        p[i] = scans[i][2];
    }
    PracticalSalinities(c, t, p, n, many);
    const SurfaceGravity gravity = SurfaceGravityAt(-37.5);
    HeightsFromPressures(p, n, gravity, heights);
    for (std::size_t i = 0; i < n; ++i) {
        const double one = PracticalSalinity(c[i], t[i], p[i]);
        EXPECT_EQ(std::memcmp(&one, &many[i], sizeof one), 0) << i << ": " << one << " " << many[i];
        const double height = HeightFromPressure(p[i], -37.5);
        EXPECT_EQ(std::memcmp(&height, &heights[i], sizeof height), 0) << i << ": " << height << " " << heights[i];
    }
}
