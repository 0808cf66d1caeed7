#pragma once
// Values derived from the CTD's measurements for the export: practical
// salinity on the PSS-78 scale and depth from sea pressure. Both follow the
// TEOS-10 definitions (SP_from_C and z_from_p of the GSW toolbox), so a
// reader who recomputes them with that toolbox gets the same numbers.

#include <cstddef>

// Practical salinity (PSS-78, dimensionless) from conductivity in mS/cm,
// in-situ temperature in degrees Celsius (ITS-90) and sea pressure in dbar.
// Below SP 2 the Hill et al. (1986) extension takes over, scaled to meet
// PSS-78 at SP 2. NaN when an input is NaN or infinite, when the
// conductivity is not positive, or when the formula gives no salinity (a
// negative value).
double PracticalSalinity(double conductivity, double temperature, double pressure);
// The same of `count` scans into `salinity`, bit for bit, several at a time.
void PracticalSalinities(const double* conductivity, const double* temperature, const double* pressure,
                         std::size_t count, double* salinity);

// Height in metres (negative below the sea surface) of sea pressure `pressure`
// in dbar at latitude `latitude` in degrees north, with the dynamic height
// anomaly and the sea surface geopotential both zero.
double HeightFromPressure(double pressure, double latitude);

// The surface gravity (m/s2) of a latitude and its fall with height, for
// many pressures at one latitude: HeightFromPressure(p, SurfaceGravityAt(lat))
// is HeightFromPressure(p, lat), bit for bit.
struct SurfaceGravity {
    double g;
    double a;
};
SurfaceGravity SurfaceGravityAt(double latitude);
double HeightFromPressure(double pressure, const SurfaceGravity& gravity);
// The same of `count` pressures into `heights`, bit for bit, several at a
// time (the IEEE square root and division are exact in every form).
void HeightsFromPressures(const double* pressures, std::size_t count, const SurfaceGravity& gravity,
                          double* heights);

// Depth in metres, positive down: the negated height.
double DepthFromPressure(double pressure, double latitude);
