#include "export/instance_variables.h"

#include "export/netcdf_file.h"

#include "formats/deployment.h"
#include "formats/termination_log.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// The stop reasons, as flag values and meanings.
constexpr int16_t kStopCodes[] = {0, 2, 3, 4, 6, 7, 9, 13, 14, 15, 17, 18, 19, 20};

std::vector<double> StopCodes()
{
    return {std::begin(kStopCodes), std::end(kStopCodes)};
}

std::string StopMeanings()
{
    std::string meanings;
    for (int16_t code : kStopCodes) {
        std::string word = StopReasonText(code);
        for (char& c : word)
            c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        meanings += (meanings.empty() ? "" : " ") + word;
    }
    return meanings;
}

// A time of the profile: its attributes. (Only the coordinates have a
// calendar; the profile's times are none.)
std::vector<Attribute> TimeAttributes(const char* longName)
{
    return {TextAttribute("long_name", longName), TextAttribute("units", kTimeUnits), FillAttribute(),
            TextAttribute("coverage_content_type", kAuxiliary)};
}

Attribute Coverage(const char* type)
{
    return TextAttribute("coverage_content_type", type);
}

// The profile's `time`.
std::vector<Attribute> ProfileTime(const char* longName)
{
    return {TextAttribute("standard_name", "time"), TextAttribute("long_name", longName),
            TextAttribute("units", kTimeUnits), TextAttribute("coverage_content_type", kCoordinate)};
}

constexpr unsigned kEngineering = InstrumentBit(Instrument::Engineering);
constexpr unsigned kSensors = InstrumentBit(Instrument::Ctd) | InstrumentBit(Instrument::Acm);

void PutNumbers(NetcdfFile& nc, int var, NetcdfType type, const std::vector<double>& values)
{
    switch (type) {
    case NetcdfType::Byte: nc.PutBytes(var, 0, ConvertedNumbers<int8_t>(values)); break;
    case NetcdfType::Short: nc.PutShorts(var, 0, ConvertedNumbers<int16_t>(values)); break;
    case NetcdfType::Int: nc.PutInts(var, 0, ConvertedNumbers<int32_t>(values)); break;
    case NetcdfType::Float: nc.PutFloats(var, 0, ConvertedNumbers<float>(values)); break;
    case NetcdfType::Double: nc.PutDoubles(var, 0, values); break;
    case NetcdfType::Char: break;
    }
}

}  // namespace

const std::vector<StationVariable>& StationVariables()
{
    static const std::vector<StationVariable> kRows = {
        {"station", NetcdfType::Int,
         {TextAttribute("cf_role", "timeseries_id"), TextAttribute("long_name", "station number (the file's one station)"),
          Coverage(kCoordinate)}},
        {"station_name", NetcdfType::Char, {TextAttribute("long_name", "station name"), Coverage(kAuxiliary)}},
        {"latitude", NetcdfType::Double,
         {TextAttribute("standard_name", "latitude"), TextAttribute("long_name", "station latitude"),
          TextAttribute("units", "degrees_north"), TextAttribute("axis", "Y"), Coverage(kCoordinate)}},
        {"longitude", NetcdfType::Double,
         {TextAttribute("standard_name", "longitude"), TextAttribute("long_name", "station longitude"),
          TextAttribute("units", "degrees_east"), TextAttribute("axis", "X"), Coverage(kCoordinate)}},
    };
    return kRows;
}

const std::vector<ProfileVariable>& ProfileVariables()
{
    using R = const ProfileRecord&;
    using I = Instrument;
    static const std::vector<ProfileVariable> kRows = {
        {"profile", NetcdfType::Int, kEveryInstrument, true,
         {TextAttribute("cf_role", "profile_id"), TextAttribute("long_name", "the vehicle's profile number"),
          Coverage(kCoordinate)},
         [](R r, I) -> double { return r.number; }},
        {"time", NetcdfType::Double, kEngineering, true,
         ProfileTime("time the vehicle began profiling (motion start), or as time_source says"),
         [](R r, I) { return r.time; }},
        {"time", NetcdfType::Double, kSensors, true,
         ProfileTime("time the sensor was switched on, or as time_source says"), [](R r, I) { return r.time; }},
        {"time_source", NetcdfType::Byte, kEveryInstrument, true,
         {TextAttribute("long_name", "where the profile's time comes from"), FillAttribute(),
          NumbersAttribute("flag_values", NetcdfType::Byte, {0, 1, 2, 3}),
          TextAttribute("flag_meanings", kTimeSourceMeanings),
          TextAttribute("comment",
                        "sensor_on: this instrument's sensor-on time; engineering_motion_start: the engineering "
                        "motion start of the same profile; engineering_sensor_on: the engineering sensor-on time of "
                        "the same profile; schedule: the time of the nearest profile with a time of its own plus "
                        "the deployment's profile start interval times the difference in profile numbers. The "
                        "engineering file's own time is its motion start first."),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.timeSource; }},
        {"station_index", NetcdfType::Int, kEveryInstrument, false,
         {TextAttribute("long_name", "the station of the profile"), TextAttribute("instance_dimension", "station"),
          Coverage(kAuxiliary)},
         [](R, I) { return 0.0; }},
        {"row_size", NetcdfType::Int, kEveryInstrument, false,
         {TextAttribute("long_name", "number of scans of the profile"), TextAttribute("sample_dimension", "obs"),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.scans; }},
        {"data_status", NetcdfType::Byte, kEveryInstrument, true,
         {TextAttribute("long_name", "how the profile's data were read"),
          NumbersAttribute("flag_values", NetcdfType::Byte, {0, 1, 2, 3, 4, 5}),
          TextAttribute("flag_meanings", kStatusMeanings),
          TextAttribute("comment",
                        "complete: read whole; truncated: the file ended inside the profile; sensor_times_missing: "
                        "the sensor times after the end mark are missing or short; read_error: the file could not "
                        "be read; data_file_missing: its data file is missing; not_read: the profile was not read "
                        "(its kind had stopped or the run was cancelled)"),
          Coverage(kQuality)},
         [](R r, I) -> double { return r.status; }},
        {"profile_direction", NetcdfType::Byte, InstrumentBit(Instrument::Ctd), true,
         {TextAttribute("long_name", "direction of the vehicle's travel during the profile"),
          NumbersAttribute("flag_values", NetcdfType::Byte, {kDirectionDown, kDirectionUp, kDirectionUnknown}),
          TextAttribute("flag_meanings", kDirectionMeanings),
          TextAttribute("comment", "from the engineering pressure of the same profile: down when its last pressure "
                                   "is more than 1 dbar above its first, up when more than 1 dbar below; unknown "
                                   "otherwise or without engineering scans")},
         [](R r, I) -> double { return r.direction; }},
        {"sensor_on_time", NetcdfType::Double, kEveryInstrument, true,
         TimeAttributes("time the sensor was switched on"), [](R r, I) { return r.sensorOn; }},
        {"sensor_off_time", NetcdfType::Double, kEveryInstrument, true,
         TimeAttributes("time the sensor was switched off"), [](R r, I) { return r.sensorOff; }},
        {"motion_start_time", NetcdfType::Double, kEngineering, true,
         TimeAttributes("time the vehicle began profiling"), [](R r, I) { return r.motionStart; }},
        {"motion_stop_time", NetcdfType::Double, kEngineering, true,
         TimeAttributes("time the vehicle's motion stopped"), [](R r, I) { return r.motionStop; }},
        {"ramp_exit_code", NetcdfType::Short, kEngineering, true,
         {TextAttribute("long_name", "ramp exit code"), FillAttribute(),
          NumbersAttribute("flag_values", NetcdfType::Short, StopCodes()),
          TextAttribute("flag_meanings", StopMeanings()), Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.rampExit; }},
        {"profile_exit_code", NetcdfType::Short, kEngineering, true,
         {TextAttribute("long_name", "profile exit code"), FillAttribute(),
          NumbersAttribute("flag_values", NetcdfType::Short, StopCodes()),
          TextAttribute("flag_meanings", StopMeanings()), Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.profileExit; }},
        {"ended_by_operator", NetcdfType::Byte, kEngineering, true,
         {TextAttribute("long_name", "the operator stopped the deployment with this profile"), FillAttribute(),
          NumbersAttribute("flag_values", NetcdfType::Byte, {0, 1}), TextAttribute("flag_meanings", "no yes"),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.endedByOperator; }},
        {"restart_count", NetcdfType::Short, kEngineering, false,
         {TextAttribute("long_name", "number of times the profile was restarted"), TextAttribute("units", "1"),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.restarts; }},
        {"backtrack_count", NetcdfType::Short, kEngineering, false,
         {TextAttribute("long_name", "number of backtracks (possible obstruction)"), TextAttribute("units", "1"),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.backtracks; }},
        {"incomplete_count", NetcdfType::Short, kEngineering, false,
         {TextAttribute("long_name", "number of restarts after which the profile could not be completed"), TextAttribute("units", "1"),
          Coverage(kAuxiliary)},
         [](R r, I) -> double { return r.incomplete; }},
    };
    return kRows;
}

std::vector<const ProfileVariable*> ProfileVariablesOf(Instrument instrument)
{
    std::vector<const ProfileVariable*> rows;
    for (const ProfileVariable& v : ProfileVariables())
        if (v.instruments & InstrumentBit(instrument))
            rows.push_back(&v);
    return rows;
}

std::vector<Attribute> DeploymentAttributes(const DeploymentRecord* d, bool layout301)
{
    std::vector<Attribute> a = {TextAttribute("long_name", "the deployment's settings (DEPLOY.DAT)"),
                                TextAttribute("firmware", layout301 ? "3.01" : "3.04"),
                                Coverage(kAuxiliary)};
    if (!d) {
        a.push_back(TextAttribute("comment", "DEPLOY.DAT could not be read"));
        return a;
    }
    a.push_back(NumbersAttribute("version_word", NetcdfType::Short, {static_cast<double>(d->version)}));
    a.push_back(NumbersAttribute("profiles_per_file", NetcdfType::Int, {static_cast<double>(d->profilesPerFileSet)}));
    a.push_back(NumbersAttribute("shallow_pressure_limit_dbar", NetcdfType::Float, {d->shallowPressure}));
    a.push_back(NumbersAttribute("deep_pressure_limit_dbar", NetcdfType::Float, {d->deepPressure}));
    a.push_back(
        NumbersAttribute("profile_start_interval_s", NetcdfType::Int, {static_cast<double>(d->profileStartInterval)}));
    a.push_back(NumbersAttribute("profile_time_limit_s", NetcdfType::Int, {static_cast<double>(d->profileTimeLimit)}));
    a.push_back(TextAttribute("ctd", !d->fsiEmCtd && d->seaBirdCtd ? "SBE 41CP constants" : "FSI EM constants"));
    return a;
}

std::vector<Attribute> ColumnAttributes(const Column& c, Instrument instrument)
{
    std::vector<Attribute> a;
    if (c.standardName)
        a.push_back(TextAttribute("standard_name", c.standardName));
    a.push_back(TextAttribute("long_name", c.longName));
    if (c.units)
        a.push_back(TextAttribute("units", c.units));
    if (c.unitsMetadata)
        a.push_back(TextAttribute("units_metadata", c.unitsMetadata));
    const bool time = c.coordinate && c.units && std::strcmp(c.units, kTimeUnits) == 0;
    if (time)
        a.push_back(TextAttribute("calendar", "standard"));
    if (c.type == NetcdfType::Float || c.type == NetcdfType::Double)
        a.push_back(FillAttribute());
    if (time)
        a.push_back(TextAttribute("axis", "T"));
    if (c.verticalAxis) {
        a.push_back(TextAttribute("axis", "Z"));
        a.push_back(TextAttribute("positive", "down"));
    }
    if (!c.coordinate)
        a.push_back(TextAttribute("coordinates", CoordinatesOf(instrument)));
    a.push_back(Coverage(c.coverage));
    if (c.comment)
        a.push_back(TextAttribute("comment", c.comment));
    return a;
}

std::vector<int> DefineStationVariables(NetcdfFile& nc, int stationDim, int strlenDim)
{
    std::vector<int> ids;
    for (const StationVariable& v : StationVariables()) {
        const bool scalar = stationDim < 0;
        const int id = v.type == NetcdfType::Char ? (scalar ? nc.DefineVar(v.name, v.type, {strlenDim})
                                                            : nc.DefineVar(v.name, v.type, {stationDim, strlenDim}))
                       : scalar ? nc.DefineVar(v.name, v.type, std::span<const int>())
                                : nc.DefineVar(v.name, v.type, {stationDim});
        PutAttributes(nc, id, v.type, v.attributes);
        ids.push_back(id);
    }
    return ids;
}

void PutStationValues(NetcdfFile& nc, const std::vector<int>& ids, const std::string& name, double latitude,
                      double longitude)
{
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string variable = StationVariables()[i].name;
        if (variable == "station_name")
            nc.PutCharRow(ids[i], 0, name);  // name_strlen is the name's length
        else if (variable == "station")
            nc.PutInts(ids[i], 0, std::vector<int32_t>{0});
        else
            nc.PutDoubles(ids[i], 0, std::vector<double>{variable == "latitude" ? latitude : longitude});
    }
}

void PutProfileValues(NetcdfFile& nc, const std::vector<int>& ids, const std::vector<const ProfileVariable*>& rows,
                      const std::vector<ProfileRecord>& listed, Instrument instrument)
{
    std::vector<double> values(listed.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t p = 0; p < listed.size(); ++p)
            values[p] = rows[i]->value(listed[p], instrument);
        PutNumbers(nc, ids[i], rows[i]->type, values);
    }
}
