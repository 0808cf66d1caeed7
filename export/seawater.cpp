#include "export/seawater.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Conductivity of standard seawater, SP 35 at 15 degC (IPTS-68) and 0 dbar.
constexpr double kC3515 = 42.914;  // mS/cm
// ITS-90 to IPTS-68 temperatures for the PSS-78 polynomials.
constexpr double kT68PerT90 = 1.00024;

// PSS-78 (UNESCO 1983): salinity in powers of sqrt(Rt) ...
constexpr double kA[6] = {0.0080, -0.1692, 25.3851, 14.0941, -7.0261, 2.7081};
// ... and its temperature correction.
constexpr double kB[6] = {0.0005, -0.0056, -0.0066, -0.0375, 0.0636, -0.0144};
constexpr double kK = 0.0162;
// rt(t): conductivity ratio of standard seawater at t to that at 15 degC.
constexpr double kC[5] = {0.6766097, 2.00564e-2, 1.104259e-4, -6.9698e-7, 1.0031e-9};
// Rp(p, t, R): the pressure correction.
constexpr double kD[4] = {3.426e-2, 4.464e-4, 4.215e-1, -3.107e-3};
constexpr double kE[3] = {2.070e-5, -6.370e-10, 3.989e-15};

// f(t68) of the PSS-78 temperature term.
double TemperatureTerm(double t68) {
    return (t68 - 15.0) / (1.0 + kK * (t68 - 15.0));
}

// PSS-78 salinity from x = sqrt(Rt) and the temperature term.
double Pss78(double x, double ft68) {
    double a = kA[0] + (kA[1] + (kA[2] + (kA[3] + (kA[4] + kA[5] * x) * x) * x) * x) * x;
    double b = kB[0] + (kB[1] + (kB[2] + (kB[3] + (kB[4] + kB[5] * x) * x) * x) * x) * x;
    return a + ft68 * b;
}

// d(PSS-78)/dx at x = sqrt(Rt).
double Pss78Slope(double x, double ft68) {
    double a = kA[1] + (2 * kA[2] + (3 * kA[3] + (4 * kA[4] + 5 * kA[5] * x) * x) * x) * x;
    double b = kB[1] + (2 * kB[2] + (3 * kB[3] + (4 * kB[4] + 5 * kB[5] * x) * x) * x) * x;
    return a + ft68 * b;
}

// The Hill et al. (1986) low-salinity formula before scaling: PSS-78 minus the
// two terms that vanish as Rt goes to zero.
double HillRaw(double sp, double x, double ft68) {
    double r400 = 400.0 * x * x;
    double y10 = 10.0 * x;
    double part1 = 1.0 + r400 * (1.5 + r400);
    double part2 = 1.0 + y10 * (1.0 + y10 * (1.0 + y10));
    return sp - kA[0] / part1 - kB[0] * ft68 / part2;
}

// The factor that makes the Hill formula equal PSS-78 at SP 2 for temperature
// t (ITS-90): 2 over the Hill value at the sqrt(Rt) where PSS-78 gives 2. That
// sqrt(Rt) starts from a polynomial fit in t68 and takes one modified
// Newton-Raphson step (slope at the midpoint), which leaves an error near
// 1e-15 in SP.
double HillRatioAtSp2(double t) {
    constexpr double kG[10] = {2.641463563366498e-1,  2.007883247811176e-4,  -4.107694432853053e-6,
                               8.401670882091225e-8,  -1.711392021989210e-9, 3.374193893377380e-11,
                               -5.923731174730784e-13, 8.057771569962299e-15, -7.054313817447962e-17,
                               2.859992717347235e-19};
    constexpr double kSp2 = 2.0;
    double t68 = t * kT68PerT90;
    double ft68 = TemperatureTerm(t68);

    double x0 = kG[9];
    for (int i = 8; i >= 0; --i) x0 = kG[i] + t68 * x0;
    double spEstimate = Pss78(x0, ft68);
    double x = x0 - (spEstimate - kSp2) / Pss78Slope(x0, ft68);
    double mid = 0.5 * (x + x0);
    x = x0 - (spEstimate - kSp2) / Pss78Slope(mid, ft68);

    return kSp2 / HillRaw(kSp2, x, ft68);
}

// The sine of `degrees`, from its Taylor series in a fixed order of IEEE
// operations, so that every platform gets the same bits: the C runtimes'
// sin() may differ in the last bit, and one latitude scales every depth of a
// file. The angle is first reduced exactly to -90..90 degrees, where 14 terms
// leave an error far below a double's precision.
double SineOfDegrees(double degrees) {
    constexpr double kPi = 3.141592653589793;
    const double x = std::remainder(degrees, 360.0);  // exact; -180..180
    const double folded = x > 90.0 ? 180.0 - x : (x < -90.0 ? -180.0 - x : x);  // sin(180 - x) = sin x
    const double r = folded * (kPi / 180.0);
    const double r2 = r * r;
    double series = 1.0;
    for (int k = 14; k >= 1; --k) series = 1.0 - r2 / ((2.0 * k) * (2.0 * k + 1.0)) * series;
    return r * series;
}

}  // namespace

namespace {

// The ratio Rt of the conductivity to that of standard seawater at the same
// temperature and 0 dbar, and the temperature term of PSS-78: straight-line
// code, so that a loop over many scans runs several at once.
struct Pss78Inputs {
    double rt;
    double ft68;
};
inline Pss78Inputs RatioAndTemperatureTerm(double conductivity, double temperature, double pressure) {
    double t68 = temperature * kT68PerT90;
    double ft68 = TemperatureTerm(t68);
    double r = conductivity / kC3515;
    double rt15 = kC[0] + (kC[1] + (kC[2] + (kC[3] + kC[4] * t68) * t68) * t68) * t68;
    double rp = 1.0 + (pressure * (kE[0] + kE[1] * pressure + kE[2] * pressure * pressure)) /
                          (1.0 + kD[0] * t68 + kD[1] * t68 * t68 + (kD[2] + kD[3] * t68) * r);
    return {r / (rp * rt15), ft68};
}

}  // namespace

double PracticalSalinity(double conductivity, double temperature, double pressure) {
    if (!std::isfinite(conductivity) || !std::isfinite(temperature) || !std::isfinite(pressure) ||
        !(conductivity > 0.0)) {
        return kNaN;
    }
    const auto [rt, ft68] = RatioAndTemperatureTerm(conductivity, temperature, pressure);
    if (!(rt >= 0.0)) return kNaN;  // also an infinite or NaN ratio from an absurd input

    double x = std::sqrt(rt);
    double sp = Pss78(x, ft68);
    if (sp < 2.0) sp = HillRatioAtSp2(temperature) * HillRaw(sp, x, ft68);
    if (!(sp >= 0.0)) return kNaN;
    return sp;
}

void PracticalSalinities(const double* conductivity, const double* temperature, const double* pressure,
                         std::size_t count, double* salinity) {
    // PSS-78 as PracticalSalinity works it out where the inputs are finite,
    // the conductivity positive and the result 2 or more (the usual case)...
    for (std::size_t i = 0; i < count; ++i) {
        const auto [rt, ft68] = RatioAndTemperatureTerm(conductivity[i], temperature[i], pressure[i]);
        salinity[i] = Pss78(std::sqrt(rt), ft68);  // NaN for a negative ratio
    }
    // ... and the others one at a time.
    for (std::size_t i = 0; i < count; ++i) {
        const bool usual = std::isfinite(conductivity[i]) && std::isfinite(temperature[i]) &&
                           std::isfinite(pressure[i]) && conductivity[i] > 0.0 && salinity[i] >= 2.0;
        if (!usual) salinity[i] = PracticalSalinity(conductivity[i], temperature[i], pressure[i]);
    }
}

SurfaceGravity SurfaceGravityAt(double latitude) {
    constexpr double kGamma = 2.26e-7;  // gravity's vertical gradient over g, 1/m
    double s = SineOfDegrees(latitude);
    double sin2 = s * s;
    // Gravity at the sea surface at this latitude (m/s2), and its fall with height.
    double g = 9.780327 * (1.0 + (5.2792e-3 + 2.32e-5 * sin2) * sin2);
    return {g, -0.5 * kGamma * g};
}

double HeightFromPressure(double pressure, double latitude) {
    return HeightFromPressure(pressure, SurfaceGravityAt(latitude));
}

namespace {

// HeightFromPressure at a latitude's gravity, inline: straight-line code
// that a loop over many pressures runs several at a time.
inline double Height(double pressure, double g, double a) {
    // Enthalpy (J/kg) of seawater at the standard ocean salinity (35.16504
    // g/kg), Conservative Temperature 0 and this pressure: the integral of its
    // specific volume over pressure, a polynomial in p / 10^4 dbar.
    double z = pressure * 1.0e-4;
    double h = z * (9.726613854843870e-4 +
                    z * (-2.252956605630465e-5 +
                         z * (2.376909655387404e-6 +
                              z * (-1.664294869986011e-7 +
                                   z * (-5.988108894465758e-9 + z * (-2.10787688100e-9 + 2.80192913290e-10 * z))))));
    double c = h * 1.0e8;

    // Solve g z + a z^2 + c = 0 for the root near zero, in the form that keeps
    // its precision.
    return -2.0 * c / (g + std::sqrt(g * g - 4.0 * a * c));
}

}  // namespace

double HeightFromPressure(double pressure, const SurfaceGravity& gravity) {
    return Height(pressure, gravity.g, gravity.a);
}

void HeightsFromPressures(const double* pressures, std::size_t count, const SurfaceGravity& gravity,
                          double* heights) {
    const double g = gravity.g;
    const double a = gravity.a;
    for (std::size_t i = 0; i < count; ++i) heights[i] = Height(pressures[i], g, a);
}

double DepthFromPressure(double pressure, double latitude) {
    return -HeightFromPressure(pressure, latitude);
}
