#include "export/export_columns.h"

#include "export/seawater.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kUndocumented = "The instrument does not document the unit of this value.";
constexpr const char* kGain = "The gain setting the instrument reports with the value; it has no unit.";

const Column kCtdColumns[] = {
    {"pressure", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water", "sea water pressure", nullptr,
     "%.3f", false, false},
    {"temperature", NetcdfType::Float, "degree_Celsius", "sea_water_temperature", "sea water temperature (ITS-90)",
     nullptr, "%.4f", false, false},
    {"conductivity", NetcdfType::Float, "mS cm-1", "sea_water_electrical_conductivity",
     "sea water electrical conductivity", "mmho/cm in the text files: the same quantity", "%.4f", false, false},
    {"practical_salinity", NetcdfType::Float, "1", "sea_water_practical_salinity", "practical salinity",
     "Derived: PSS-78 from conductivity, temperature and pressure, as TEOS-10 gsw_SP_from_C; NaN where the "
     "conductivity is not positive",
     "%.4f", false, false},
    {"depth", NetcdfType::Float, "m", "depth", "depth",
     "Derived: -z of TEOS-10 gsw_z_from_p at the station latitude, positive down", "%.3f", false, true},
};

const Column kAcmColumns[] = {
    {"time_estimated", NetcdfType::Double, kTimeUnits, "time", "time of the scan, estimated",
     "The ACM scans carry no time: the n scans of a profile are spread evenly between the ACM's sensor on and off "
     "times, scan i (from 0) at on + (off - on) (i + 0.5) / n; NaN without the sensor times",
     nullptr, true, false},
    {"pressure_estimated", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water",
     "sea water pressure, estimated",
     "The ACM scans carry no pressure: the engineering pressure of the same profile, interpolated linearly in time "
     "at time_estimated; NaN outside the engineering scans or without them",
     "%.3f", false, true},
    {"tilt_x", NetcdfType::Double, nullptr, nullptr, "tilt X (TX)", kUndocumented, "%.2f", false, false},
    {"tilt_y", NetcdfType::Double, nullptr, nullptr, "tilt Y (TY)", kUndocumented, "%.2f", false, false},
    {"compass_x", NetcdfType::Float, nullptr, nullptr, "compass X (HX)", kUndocumented, "%.4f", false, false},
    {"compass_y", NetcdfType::Float, nullptr, nullptr, "compass Y (HY)", kUndocumented, "%.4f", false, false},
    {"compass_z", NetcdfType::Float, nullptr, nullptr, "compass Z (HZ)", kUndocumented, "%.4f", false, false},
    {"velocity_ab", NetcdfType::Float, nullptr, nullptr, "velocity path AB (VPAB)", kUndocumented, "%.2f", false,
     false},
    {"velocity_cd", NetcdfType::Float, nullptr, nullptr, "velocity path CD (VPCD)", kUndocumented, "%.2f", false,
     false},
    {"velocity_ef", NetcdfType::Float, nullptr, nullptr, "velocity path EF (VPEF)", kUndocumented, "%.2f", false,
     false},
    {"velocity_gh", NetcdfType::Float, nullptr, nullptr, "velocity path GH (VPGH)", kUndocumented, "%.2f", false,
     false},
};

const Column kEngineeringColumns[] = {
    {"scan_time", NetcdfType::Double, kTimeUnits, "time", "time of the scan", nullptr, nullptr, false, false},
    {"pressure", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water", "sea water pressure", nullptr,
     "%.3f", false, false},
    {"depth", NetcdfType::Float, "m", "depth", "depth",
     "Derived: -z of TEOS-10 gsw_z_from_p at the station latitude, positive down", "%.3f", false, true},
    {"motor_current", NetcdfType::Float, "mA", nullptr, "motor current", nullptr, "%.0f", false, false},
    {"battery_voltage", NetcdfType::Float, "V", nullptr, "battery voltage", nullptr, "%.1f", false, false},
    {"fluorometer", NetcdfType::Float, "mV", nullptr, "fluorometer", nullptr, "%.2f", false, false},
    {"fluorometer_gain", NetcdfType::Short, nullptr, nullptr, "fluorometer gain", kGain, "%d", false, false},
    {"turbidity", NetcdfType::Float, "mV", nullptr, "turbidity", nullptr, "%.2f", false, false},
    {"turbidity_gain", NetcdfType::Short, nullptr, nullptr, "turbidity gain", kGain, "%d", false, false},
};
constexpr std::size_t kEngineering301Columns = 5;

double Depth(float pressure, double latitude)
{
    if (std::isnan(latitude))
        return kNaN;
    // The scans of a run share one latitude: its gravity is worked out once.
    thread_local double gravityLatitude = kNaN;
    thread_local SurfaceGravity gravity{};
    if (latitude != gravityLatitude) {
        gravity = SurfaceGravityAt(latitude);
        gravityLatitude = latitude;
    }
    return -HeightFromPressure(pressure, gravity);
}

}  // namespace

DataStatus StatusOf(ProfileEnd end)
{
    switch (end) {
    case ProfileEnd::Complete: return kStatusComplete;
    case ProfileEnd::FileEnded: return kStatusTruncated;
    case ProfileEnd::SensorTimesMissing: return kStatusSensorTimesMissing;
    case ProfileEnd::ReadError: return kStatusReadError;
    case ProfileEnd::Cancelled: return kStatusNotRead;
    }
    return kStatusReadError;
}

const char* StatusName(int status)
{
    static const char* const kNames[] = {"complete",  "truncated",         "sensor_times_missing",
                                         "read_error", "data_file_missing", "not_read"};
    return status >= 0 && status <= 5 ? kNames[status] : "";
}

std::vector<Column> ColumnsOf(Instrument instrument, bool layout301)
{
    switch (instrument) {
    case Instrument::Ctd: return {std::begin(kCtdColumns), std::end(kCtdColumns)};
    case Instrument::Acm: return {std::begin(kAcmColumns), std::end(kAcmColumns)};
    case Instrument::Engineering: break;
    }
    return {std::begin(kEngineeringColumns),
            layout301 ? std::begin(kEngineeringColumns) + kEngineering301Columns : std::end(kEngineeringColumns)};
}

const char* CoordinatesOf(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Ctd: return "time latitude longitude depth";
    case Instrument::Acm: return "time_estimated latitude longitude pressure_estimated";
    case Instrument::Engineering: break;
    }
    return "scan_time latitude longitude depth";
}

void EngineeringRow(const EngineeringValues& s, const ScanContext& c, bool layout301, double* v)
{
    v[0] = s.time;
    v[1] = s.pressure;
    v[2] = static_cast<float>(Depth(s.pressure, c.latitude));
    v[3] = s.current;
    v[4] = s.voltage;
    if (layout301)
        return;
    v[5] = s.fluorometer;
    v[6] = s.fluorometerGain;
    v[7] = s.turbidity;
    v[8] = s.turbidityGain;
}

void CtdRow(const CtdValues& s, const ScanContext& c, double* v)
{
    v[0] = s.pressure;
    v[1] = s.temperature;
    v[2] = s.conductivity;
    v[3] = static_cast<float>(PracticalSalinity(s.conductivity, s.temperature, s.pressure));
    v[4] = static_cast<float>(Depth(s.pressure, c.latitude));
}

double EstimatedTime(const ScanContext& c)
{
    return c.sensorOn + (c.sensorOff - c.sensorOn) * (static_cast<double>(c.index) + 0.5) / static_cast<double>(c.count);
}

void AcmRow(const AcmValues& s, const ScanContext& c, double* v)
{
    const double time = EstimatedTime(c);
    v[0] = time;
    v[1] = c.track ? static_cast<float>(PressureAt(*c.track, time)) : kNaN;
    v[2] = s.tiltX;
    v[3] = s.tiltY;
    v[4] = s.compassX;
    v[5] = s.compassY;
    v[6] = s.compassZ;
    v[7] = s.velocityAB;
    v[8] = s.velocityCD;
    v[9] = s.velocityEF;
    v[10] = s.velocityGH;
}

double PressureAt(const std::vector<std::pair<double, float>>& track, double time)
{
    if (track.empty() || std::isnan(time))
        return kNaN;
    const auto after = std::upper_bound(track.begin(), track.end(), time,
                                        [](double t, const std::pair<double, float>& p) { return t < p.first; });
    if (after == track.begin())
        return kNaN;  // before the first scan
    const auto before = after - 1;
    if (after == track.end())
        return before->first == time ? before->second : kNaN;  // after the last scan
    const double share = (time - before->first) / (after->first - before->first);
    return before->second + (static_cast<double>(after->second) - before->second) * share;
}

namespace {

char* Digits(char* at, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return at + count;
}

// "YYYY-MM-DDThh:mm:ss" of a time in seconds (years 0..9999), then
// ".mmm" when `millis` is not negative, then "Z"; the length.
std::size_t IsoText(int64_t seconds, int millis, char* text)
{
    const CivilTime t = BreakDownTime64(seconds);
    if (t.year < 0 || t.year > 9999)
        return Format(text, 32, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute, t.second);
    char* at = Digits(text, t.year, 4);
    *at++ = '-';
    at = Digits(at, t.month, 2);
    *at++ = '-';
    at = Digits(at, t.day, 2);
    *at++ = 'T';
    at = Digits(at, t.hour, 2);
    *at++ = ':';
    at = Digits(at, t.minute, 2);
    *at++ = ':';
    at = Digits(at, t.second, 2);
    if (millis >= 0) {
        *at++ = '.';
        at = Digits(at, millis, 3);
    }
    *at++ = 'Z';
    *at = '\0';
    return static_cast<std::size_t>(at - text);
}

}  // namespace

std::size_t IsoTimeText(double seconds, char* text)
{
    text[0] = '\0';
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15)
        return 0;
    const double whole = std::floor(seconds);
    if (whole == seconds)
        return IsoText(static_cast<int64_t>(whole), -1, text);
    const int64_t millis = static_cast<int64_t>(std::llround(seconds * 1000.0));
    const int64_t secs = millis >= 0 ? millis / 1000 : -((-millis + 999) / 1000);
    return IsoText(secs, static_cast<int>(millis - secs * 1000), text);
}

std::string IsoTime(int32_t seconds)
{
    char text[32];
    return std::string(text, IsoText(seconds, -1, text));
}

std::string IsoTimeOf(double seconds)
{
    char text[32];
    return std::string(text, IsoTimeText(seconds, text));
}
