#include "export/export_columns.h"

#include "export/seawater.h"
#include "formats/field_text.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kUndocumented = "The instrument does not document the unit of this value.";
constexpr const char* kGain = "The gain setting the instrument reports with the value; it has no unit.";

constexpr const char* kDepthComment = "Derived: -z of TEOS-10 gsw_z_from_p at the station latitude, positive down";

// name, type, units, standard_name, long_name, comment, CSV format, CSV time, Z axis, coordinate,
// coverage_content_type, units_metadata
const Column kCtdColumns[] = {
    {"time_estimated", NetcdfType::Double, kTimeUnits, "time", "time of the scan, estimated",
     "The CTD scans carry no time: the n scans of a profile are spread evenly between the CTD's sensor on and off "
     "times, scan i (from 0) at on + (off - on) (i + 0.5) / n; without the sensor times, every scan at the "
     "profile's time",
     nullptr, false, false, true, kCoordinate, nullptr},
    {"pressure", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water", "sea water pressure", nullptr,
     "%.3f", false, false, false, kMeasurement, nullptr},
    {"temperature", NetcdfType::Float, "degree_Celsius", "sea_water_temperature", "sea water temperature (ITS-90)",
     nullptr, "%.4f", false, false, false, kMeasurement, "temperature: on_scale"},
    {"conductivity", NetcdfType::Float, "mS cm-1", "sea_water_electrical_conductivity",
     "sea water electrical conductivity", "mmho/cm in the text files: the same quantity", "%.4f", false, false, false,
     kMeasurement, nullptr},
    {"practical_salinity", NetcdfType::Float, "1", "sea_water_practical_salinity", "practical salinity",
     "Derived: PSS-78 from conductivity, temperature and pressure, as TEOS-10 gsw_SP_from_C; NaN where the "
     "conductivity is not positive",
     "%.4f", false, false, false, kMeasurement, nullptr},
    {"depth", NetcdfType::Float, "m", "depth", "depth", kDepthComment, "%.3f", false, true, true, kCoordinate,
     nullptr},
};

const Column kAcmColumns[] = {
    {"time_estimated", NetcdfType::Double, kTimeUnits, "time", "time of the scan, estimated",
     "The ACM scans carry no time: the n scans of a profile are spread evenly between the ACM's sensor on and off "
     "times, scan i (from 0) at on + (off - on) (i + 0.5) / n; without the sensor times, every scan at the "
     "profile's time",
     nullptr, true, false, true, kCoordinate, nullptr},
    {"pressure_estimated", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water",
     "sea water pressure, estimated",
     "The ACM scans carry no pressure: the engineering pressure of the same profile, interpolated linearly in time "
     "at time_estimated; NaN outside the engineering scans, without them or without the ACM's sensor times",
     "%.3f", false, false, false, kAuxiliary, nullptr},
    {"depth", NetcdfType::Float, "m", "depth", "depth, estimated",
     "Derived: -z of TEOS-10 gsw_z_from_p of pressure_estimated at the station latitude, positive down", nullptr,
     false, true, true, kCoordinate, nullptr},
    {"tilt_x", NetcdfType::Double, nullptr, nullptr, "tilt X (TX)", kUndocumented, "%.2f", false, false, false,
     kMeasurement, nullptr},
    {"tilt_y", NetcdfType::Double, nullptr, nullptr, "tilt Y (TY)", kUndocumented, "%.2f", false, false, false,
     kMeasurement, nullptr},
    {"compass_x", NetcdfType::Float, nullptr, nullptr, "compass X (HX)", kUndocumented, "%.4f", false, false, false,
     kMeasurement, nullptr},
    {"compass_y", NetcdfType::Float, nullptr, nullptr, "compass Y (HY)", kUndocumented, "%.4f", false, false, false,
     kMeasurement, nullptr},
    {"compass_z", NetcdfType::Float, nullptr, nullptr, "compass Z (HZ)", kUndocumented, "%.4f", false, false, false,
     kMeasurement, nullptr},
    {"velocity_ab", NetcdfType::Float, nullptr, nullptr, "velocity path AB (VPAB)", kUndocumented, "%.2f", false,
     false, false, kMeasurement, nullptr},
    {"velocity_cd", NetcdfType::Float, nullptr, nullptr, "velocity path CD (VPCD)", kUndocumented, "%.2f", false,
     false, false, kMeasurement, nullptr},
    {"velocity_ef", NetcdfType::Float, nullptr, nullptr, "velocity path EF (VPEF)", kUndocumented, "%.2f", false,
     false, false, kMeasurement, nullptr},
    {"velocity_gh", NetcdfType::Float, nullptr, nullptr, "velocity path GH (VPGH)", kUndocumented, "%.2f", false,
     false, false, kMeasurement, nullptr},
};

const Column kEngineeringColumns[] = {
    {"scan_time", NetcdfType::Double, kTimeUnits, "time", "time of the scan", nullptr, nullptr, false, false, true,
     kCoordinate, nullptr},
    {"pressure", NetcdfType::Float, "dbar", "sea_water_pressure_due_to_sea_water", "sea water pressure", nullptr,
     "%.3f", false, false, false, kMeasurement, nullptr},
    {"depth", NetcdfType::Float, "m", "depth", "depth", kDepthComment, "%.3f", false, true, true, kCoordinate,
     nullptr},
    {"motor_current", NetcdfType::Float, "mA", nullptr, "motor current", nullptr, "%.0f", false, false, false,
     kMeasurement, nullptr},
    {"battery_voltage", NetcdfType::Float, "V", nullptr, "battery voltage", nullptr, "%.1f", false, false, false,
     kMeasurement, nullptr},
    {"fluorometer", NetcdfType::Float, "mV", nullptr, "fluorometer", nullptr, "%.2f", false, false, false,
     kMeasurement, nullptr},
    {"fluorometer_gain", NetcdfType::Short, nullptr, nullptr, "fluorometer gain", kGain, "%d", false, false, false,
     kAuxiliary, nullptr},
    {"turbidity", NetcdfType::Float, "mV", nullptr, "turbidity", nullptr, "%.2f", false, false, false, kMeasurement,
     nullptr},
    {"turbidity_gain", NetcdfType::Short, nullptr, nullptr, "turbidity gain", kGain, "%d", false, false, false,
     kAuxiliary, nullptr},
};
constexpr std::size_t kEngineering301Columns = 5;

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
    case Instrument::Ctd:
    case Instrument::Acm: return "time_estimated depth latitude longitude";
    case Instrument::Engineering: break;
    }
    return "scan_time depth latitude longitude";
}

void EngineeringRow(const EngineeringValues& s, const ScanContext& c, bool layout301, double* v)
{
    v[0] = s.time;
    v[1] = s.pressure;
    v[2] = kNaN;  // PutDerivedValues
    v[3] = s.current;
    v[4] = s.voltage;
    if (layout301)
        return;
    v[5] = s.fluorometer;
    v[6] = s.fluorometerGain;
    v[7] = s.turbidity;
    v[8] = s.turbidityGain;
}

namespace {

constexpr std::size_t kDeriveBlock = 256;

// Column `to` of `count` rows of `width` values from columns `from` of the
// same rows, a block at a time: `work` takes the blocks' inputs (one array
// per column of `from`) and gives their results.
template <std::size_t kInputs, typename Work>
void DeriveColumn(double* rows, std::size_t count, std::size_t width, const std::size_t (&from)[kInputs],
                  std::size_t to, Work work)
{
    constexpr std::size_t kBlock = kDeriveBlock;
    double inputs[kInputs][kBlock], results[kBlock];
    for (std::size_t first = 0; first < count; first += kBlock) {
        const std::size_t n = std::min(kBlock, count - first);
        for (std::size_t k = 0; k < kInputs; ++k)
            for (std::size_t i = 0; i < n; ++i)
                inputs[k][i] = rows[(first + i) * width + from[k]];
        work(inputs, n, results);
        for (std::size_t i = 0; i < n; ++i)
            rows[(first + i) * width + to] = static_cast<float>(results[i]);
    }
}

}  // namespace

void PutDerivedValues(Instrument instrument, double* rows, std::size_t count, std::size_t width, double latitude)
{
    // Columns: engineering and ACM pressure 1, depth 2; CTD pressure 1,
    // temperature 2, conductivity 3, salinity 4, depth 5.
    constexpr std::size_t kPressure = 1;
    const std::size_t depth = instrument == Instrument::Ctd ? 5 : 2;
    if (instrument == Instrument::Ctd)
        DeriveColumn(rows, count, width, {3, 2, kPressure}, 4,
                     [](const double (*in)[kDeriveBlock], std::size_t n, double* out) {
                         PracticalSalinities(in[0], in[1], in[2], n, out);
                     });
    if (std::isnan(latitude)) {
        for (std::size_t i = 0; i < count; ++i)
            rows[i * width + depth] = kNaN;
        return;
    }
    const SurfaceGravity gravity = SurfaceGravityAt(latitude);
    DeriveColumn(rows, count, width, {kPressure}, depth,
                 [&](const double (*in)[kDeriveBlock], std::size_t n, double* out) {
                     HeightsFromPressures(in[0], n, gravity, out);
                     for (std::size_t i = 0; i < n; ++i)
                         out[i] = -out[i];
                 });
}

double SpreadTime(const ScanContext& c)
{
    return c.sensorOn +
           (c.sensorOff - c.sensorOn) * (static_cast<double>(c.index) + 0.5) / static_cast<double>(c.count);
}

// time_estimated: the spread time `spread`, or the profile's time without
// sensor times.
double TimeEstimated(double spread, const ScanContext& c)
{
    return std::isnan(spread) ? c.profileTime : spread;
}

void CtdRow(const CtdValues& s, const ScanContext& c, double* v)
{
    v[0] = TimeEstimated(SpreadTime(c), c);
    v[1] = s.pressure;
    v[2] = s.temperature;
    v[3] = s.conductivity;
    v[4] = kNaN;  // PutDerivedValues
    v[5] = kNaN;
}

void AcmRow(const AcmValues& s, const ScanContext& c, double* v)
{
    // The pressure only where the sensor times place the scan.
    const double spread = SpreadTime(c);
    const float pressure = c.track ? static_cast<float>(PressureAt(*c.track, spread)) : std::nanf("");
    v[0] = TimeEstimated(spread, c);
    v[1] = pressure;
    v[2] = kNaN;  // PutDerivedValues
    v[3] = s.tiltX;
    v[4] = s.tiltY;
    v[5] = s.compassX;
    v[6] = s.compassY;
    v[7] = s.compassZ;
    v[8] = s.velocityAB;
    v[9] = s.velocityCD;
    v[10] = s.velocityEF;
    v[11] = s.velocityGH;
}

double PressureAt(PressureTrack& track, double time)
{
    const auto& points = track.points;
    if (points.empty() || std::isnan(time))
        return kNaN;
    // The first point after `time`.
    auto after = points.begin() + static_cast<std::ptrdiff_t>(std::min(track.next, points.size()));
    if (!track.ordered || (after != points.begin() && time < (after - 1)->first)) {
        after = std::upper_bound(points.begin(), points.end(), time,
                                 [](double t, const std::pair<double, float>& p) { return t < p.first; });
    } else {
        while (after != points.end() && !(time < after->first))
            ++after;
    }
    track.next = static_cast<std::size_t>(after - points.begin());
    if (after == points.begin())
        return kNaN;  // before the first scan
    const auto before = after - 1;
    if (after == points.end())
        return before->first == time ? before->second : kNaN;  // after the last scan
    const double share = (time - before->first) / (after->first - before->first);
    return before->second + (static_cast<double>(after->second) - before->second) * share;
}

namespace {

// "YYYY-MM-DDThh:mm:ss" of a time in seconds (years 0..9999), then
// ".mmm" when `millis` is not negative, then "Z"; the length.
std::size_t IsoText(int64_t seconds, int millis, char* text)
{
    // The date of the last day written, "YYYY-MM-DDT" (the scans of a file
    // come in time order: most rows share it).
    struct Day {
        int64_t number = std::numeric_limits<int64_t>::min();
        bool fourDigits = false;  // years 0..9999
        char text[11];
    };
    thread_local Day last;
    const int64_t day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    if (day != last.number) {
        const CivilTime t = BreakDownTime64(day * 86400);
        last.number = day;
        last.fourDigits = t.year >= 0 && t.year <= 9999;
        if (last.fourDigits) {
            char* at = PutFourDigits(last.text, t.year);
            *at++ = '-';
            at = PutTwoDigits(at, t.month);
            *at++ = '-';
            at = PutTwoDigits(at, t.day);
            *at = 'T';
        }
    }
    if (!last.fourDigits) {
        const CivilTime t = BreakDownTime64(seconds);
        return Format(text, 32, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute, t.second);
    }
    const int rest = static_cast<int>(seconds - day * 86400);
    CivilTime t;
    t.hour = rest / 3600;
    t.minute = rest / 60 % 60;
    t.second = rest % 60;
    std::memcpy(text, last.text, sizeof last.text);
    char* at = text + sizeof last.text;
    at = PutTwoDigits(at, t.hour);
    *at++ = ':';
    at = PutTwoDigits(at, t.minute);
    *at++ = ':';
    at = PutTwoDigits(at, t.second);
    if (millis >= 0) {
        *at++ = '.';
        at += 3;
        PutFixedCountBackward<3>(at, static_cast<uint32_t>(millis));
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
