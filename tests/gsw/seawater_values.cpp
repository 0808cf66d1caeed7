// Prints practical salinity and depth for random inputs over the ocean's
// range, one line each: C T p lat SP depth, for check_seawater.py to compare
// with the TEOS-10 toolbox.
//   seawater_values [count] [seed]
#include "export/seawater.h"

#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 20000;
    const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> conductivity(0.5, 70.0);
    std::uniform_real_distribution<double> fresh(0.5, 4.0);  // salinities below 2: the Hill extension
    std::uniform_real_distribution<double> temperature(-2.0, 35.0);
    std::uniform_real_distribution<double> pressure(0.0, 7000.0);
    std::uniform_real_distribution<double> latitude(-90.0, 90.0);
    for (long i = 0; i < count; ++i) {
        const double c = i % 4 == 0 ? fresh(random) : conductivity(random);
        const double t = temperature(random);
        const double p = pressure(random);
        const double lat = latitude(random);
        std::printf("%.17g %.17g %.17g %.17g %.17g %.17g\n", c, t, p, lat, PracticalSalinity(c, t, p),
                    DepthFromPressure(p, lat));
    }
    return 0;
}
