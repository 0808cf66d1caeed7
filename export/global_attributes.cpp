#include "export/global_attributes.h"

#include "export/instance_variables.h"

#include "formats/text_format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct GlobalRow {
    const char* name;
    bool fromMetadata;  // a metadata key of this name replaces the value
    // The value; an attribute with an empty name is not written.
    Attribute (*value)(const FileFacts& facts);
};

Attribute Text(const char* name, std::string text)
{
    return TextAttribute(name, std::move(text));
}

Attribute Number(const char* name, double value)
{
    return NumbersAttribute(name, NetcdfType::Double, {value});
}

// The metadata file's value of `key`, or `otherwise`.
std::string MetadataOr(const FileFacts& f, const char* key, std::string otherwise)
{
    for (const auto& kv : *f.metadata)
        if (kv.first == key)
            otherwise = kv.second;
    return otherwise;
}

std::string Joined(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const auto& w : words)
        text += (text.empty() ? "" : separator) + w;
    return text;
}

// The shortest decimal text that reads back as `value`.
std::string Shortest(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// ISO 8601 duration of `seconds` (not negative): "P1DT2H3M4S", zero
// fields left out, milliseconds when not whole; "PT0S" for none.
std::string IsoDuration(double seconds)
{
    const int64_t millis = std::llround(seconds * 1000.0);
    const int64_t whole = millis / 1000;
    std::string text = "P";
    if (whole >= 86400)
        text += std::to_string(whole / 86400) + "D";
    std::string time;
    if (whole % 86400 >= 3600)
        time += std::to_string(whole % 86400 / 3600) + "H";
    if (whole % 3600 >= 60)
        time += std::to_string(whole % 3600 / 60) + "M";
    if (whole % 60 != 0 || millis % 1000 != 0 || whole == 0) {
        time += std::to_string(whole % 60);
        if (millis % 1000 != 0)
            time += FormatString(".%03d", static_cast<int>(millis % 1000));
        time += "S";
    }
    if (!time.empty())
        text += "T" + time;
    return text;
}

// The file's id without one in the metadata: the platform or station, the
// instrument and the start time ("SAMPLE-1_ctd_20240701T000020Z"), in
// letters, digits and . _ - only.
std::string BuiltId(const FileFacts& f)
{
    std::string name = "VXP";
    for (const char* key : {"platform_code", "station_name", "site_code"}) {
        const std::string value = MetadataOr(f, key, "");
        if (!value.empty()) {
            name = value;
            break;
        }
    }
    std::string id = name + "_";
    for (const char* c = f.title; *c; ++c)
        id += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (!std::isnan(f.timeLow)) {
        id += "_";
        for (char c : IsoTimeOf(f.timeLow))
            if (c != '-' && c != ':')
                id += c;
    }
    for (char& c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
            c = '_';
    return id;
}

using F = const FileFacts&;

const GlobalRow kGlobalRows[] = {
    {"Conventions", false, [](F) { return Text("Conventions", "CF-1.11, ACDD-1.3"); }},
    {"featureType", false, [](F) { return Text("featureType", "timeSeriesProfile"); }},
    {"cdm_data_type", false, [](F) { return Text("cdm_data_type", "TimeSeriesProfile"); }},
    {"cdm_timeseries_variables", false,
     [](F) { return Text("cdm_timeseries_variables", "station,station_name,latitude,longitude"); }},
    {"cdm_profile_variables", false,
     [](F f) {
         std::vector<std::string> names;
         for (const ProfileVariable* v : ProfileVariablesOf(f.instrument))
             if (v->cdmProfile)
                 names.push_back(v->name);
         return Text("cdm_profile_variables", Joined(names, ","));
     }},
    {"title", true,
     [](F f) { return Text("title", "VXP profiling vehicle deployment: " + std::string(f.title) + " profiles"); }},
    {"summary", true,
     [](F f) {
         return Text("summary", "The " + std::string(f.title) +
                                    " profiles of a VXP profiling vehicle's deployment, converted from the vehicle's "
                                    "raw files to physical units, one profile per vehicle profile.");
     }},
    {"keywords", true,
     [](F f) {
         return Text("keywords", f.instrument == Instrument::Ctd ? "VXP, profiling vehicle, mooring, CTD, temperature, "
                                                                   "conductivity, salinity, pressure"
                                 : f.instrument == Instrument::Acm
                                     ? "VXP, profiling vehicle, mooring, current meter, ACM, tilt, compass, velocity"
                                     : "VXP, profiling vehicle, mooring, engineering, pressure, motor current, "
                                       "battery voltage");
     }},
    {"standard_name_vocabulary", true,
     [](F) { return Text("standard_name_vocabulary", "CF Standard Name Table v84"); }},
    {"source", false, [](F f) { return Text("source", Joined(f.sources, " ")); }},
    {"history", false,
     [](F f) {
         return Text("history", MetadataOr(f, "date_created", f.now) + " " + f.program +
                                    ": converted from the vehicle's raw files");
     }},
    {"date_created", true, [](F f) { return Text("date_created", MetadataOr(f, "date_created", f.now)); }},
    {"processing_level", true,
     [](F f) {
         return Text("processing_level",
                     f.qc ? "Instrument values in physical units; salinity and depth derived; QARTOD quality flags "
                            "(gross range, spike, rate of change, flat line) and profile grades"
                          : "Instrument values in physical units; salinity and depth derived; no quality control");
     }},
    {"geospatial_lat_min", false, [](F f) { return Number("geospatial_lat_min", f.latitude); }},
    {"geospatial_lat_max", false, [](F f) { return Number("geospatial_lat_max", f.latitude); }},
    {"geospatial_lon_min", false, [](F f) { return Number("geospatial_lon_min", f.longitude); }},
    {"geospatial_lon_max", false, [](F f) { return Number("geospatial_lon_max", f.longitude); }},
    {"geospatial_vertical_positive", false, [](F) { return Text("geospatial_vertical_positive", "down"); }},
    {"geospatial_vertical_units", false, [](F) { return Text("geospatial_vertical_units", "m"); }},
    {"time_coverage_start", false,
     [](F f) { return std::isnan(f.timeLow) ? Attribute{} : Text("time_coverage_start", IsoTimeOf(f.timeLow)); }},
    {"time_coverage_end", false,
     [](F f) { return std::isnan(f.timeLow) ? Attribute{} : Text("time_coverage_end", IsoTimeOf(f.timeHigh)); }},
    {"time_coverage_duration", false,
     [](F f) {
         return std::isnan(f.timeLow) ? Attribute{} : Text("time_coverage_duration", IsoDuration(f.timeHigh - f.timeLow));
     }},
    {"geospatial_bounds", false,
     [](F f) {
         return Text("geospatial_bounds", "POINT (" + Shortest(f.longitude) + " " + Shortest(f.latitude) + ")");
     }},
    {"geospatial_bounds_crs", false, [](F) { return Text("geospatial_bounds_crs", "EPSG:4326"); }},
    {"geospatial_bounds_vertical_crs", false, [](F) { return Text("geospatial_bounds_vertical_crs", "EPSG:5831"); }},
    {"id", true, [](F f) { return Text("id", BuiltId(f)); }},
};

// Attributes the export computes; a metadata file does not set them.
bool Computed(const std::string& name)
{
    for (const GlobalRow& row : kGlobalRows)
        if (name == row.name)
            return !row.fromMetadata;
    return name.rfind("geospatial_", 0) == 0;
}

}  // namespace

std::vector<Attribute> GlobalAttributes(const FileFacts& facts)
{
    std::vector<Attribute> list;
    for (const GlobalRow& row : kGlobalRows) {
        Attribute a = row.value(facts);
        if (!a.name.empty())
            list.push_back(std::move(a));
    }
    for (const auto& kv : *facts.metadata) {
        if (Computed(kv.first))
            continue;
        bool replaced = false;
        for (Attribute& a : list)
            if (a.name == kv.first) {
                a = TextAttribute(kv.first, kv.second);
                replaced = true;
            }
        if (!replaced)
            list.push_back(TextAttribute(kv.first, kv.second));
    }
    list.push_back(Number(kVerticalMin, kNaN));
    list.push_back(Number(kVerticalMax, kNaN));
    return list;
}
