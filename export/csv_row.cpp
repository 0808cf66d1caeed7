#include "export/csv_row.h"

#include <cmath>

namespace {

char* PutUnsigned(char* p, uint32_t value)
{
    const int digits = DecimalLength(value);
    PutDigitsBackward(p + digits, value);
    return p + digits;
}

// ",%.Pf", or a bare comma for a missing value.
template <int kPrecision>
char* PutValue(char* p, double value)
{
    *p++ = ',';
    return std::isnan(value) ? p : PutFixed<0, kPrecision>(p, value);
}

// ",%d" of a whole value (a gain), or a bare comma for a missing value.
char* PutWhole(char* p, double value)
{
    *p++ = ',';
    return std::isnan(value) ? p : PutInt(p, static_cast<int>(value), 0);
}

// ",<ISO 8601 time>", empty for a missing time.
char* PutTime(char* p, double seconds)
{
    *p++ = ',';
    return p + IsoTimeText(seconds, p);
}

// "profile,time,scan" with the time, or "profile,,scan" without one.
char* PutStart(char* p, uint32_t profile, const double* time, uint32_t scan)
{
    p = PutUnsigned(p, profile);
    if (time)
        p = PutTime(p, *time);
    else
        *p++ = ',';
    *p++ = ',';
    return PutUnsigned(p, scan);
}

}  // namespace

char* PutCsvRow(char* p, Instrument instrument, bool layout301, uint32_t profile, uint32_t scan, const double* v)
{
    switch (instrument) {
    case Instrument::Ctd:
        // (time_estimated: the netCDF file's only) pressure, temperature,
        // conductivity, practical_salinity, depth
        p = PutStart(p, profile, nullptr, scan);
        p = PutValue<3>(p, v[1]);
        p = PutValue<4>(p, v[2]);
        p = PutValue<4>(p, v[3]);
        p = PutValue<4>(p, v[4]);
        p = PutValue<3>(p, v[5]);
        break;
    case Instrument::Acm:
        // time_estimated, pressure_estimated, (depth: the netCDF file's
        // only) tilts, compass, velocities
        p = PutStart(p, profile, nullptr, scan);
        p = PutTime(p, v[0]);
        p = PutValue<3>(p, v[1]);
        p = PutValue<2>(p, v[3]);
        p = PutValue<2>(p, v[4]);
        p = PutValue<4>(p, v[5]);
        p = PutValue<4>(p, v[6]);
        p = PutValue<4>(p, v[7]);
        for (int i = 8; i <= 11; ++i)
            p = PutValue<2>(p, v[i]);
        break;
    case Instrument::Engineering:
        // scan_time (as the row's time), pressure, depth, motor current,
        // battery voltage; 3.04: fluorometer and turbidity with their gains
        p = PutStart(p, profile, &v[0], scan);
        p = PutValue<3>(p, v[1]);
        p = PutValue<3>(p, v[2]);
        p = PutValue<0>(p, v[3]);
        p = PutValue<1>(p, v[4]);
        if (!layout301) {
            p = PutValue<2>(p, v[5]);
            p = PutWhole(p, v[6]);
            p = PutValue<2>(p, v[7]);
            p = PutWhole(p, v[8]);
        }
        break;
    }
    *p++ = '\r';
    *p++ = '\n';
    return p;
}
