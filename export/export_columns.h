#pragma once
// The columns of the export: for each instrument the values of one scan (the
// netCDF obs variables and the CSV columns after profile, time and scan),
// with their names, units and attributes, and how each is computed from the
// values the decoder handed over. The netCDF and the CSV writers both read
// these tables, so the two files hold the same quantities.

#include "export/netcdf_file.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class Instrument { Engineering, Ctd, Acm };

constexpr const char* kTimeUnits = "seconds since 1970-01-01T00:00:00Z";

// data_status of a profile.
enum DataStatus : int8_t {
    kStatusComplete = 0,
    kStatusTruncated = 1,
    kStatusSensorTimesMissing = 2,
    kStatusReadError = 3,
    kStatusDataFileMissing = 4,
    kStatusNotRead = 5,
};
constexpr const char* kStatusMeanings =
    "complete truncated sensor_times_missing read_error data_file_missing not_read";

// The status of a profile whose reading ended so.
DataStatus StatusOf(ProfileEnd end);
// Its word of kStatusMeanings ("complete", ...).
const char* StatusName(int status);

// coverage_content_type (ACDD) of a variable.
constexpr const char* kCoordinate = "coordinate";
constexpr const char* kMeasurement = "physicalMeasurement";
constexpr const char* kAuxiliary = "auxiliaryInformation";
constexpr const char* kQuality = "qualityInformation";

struct Column {
    const char* name;
    NetcdfType type;           // Float, Double or Short
    const char* units;         // null: the instrument documents none
    const char* standardName;  // null: none
    const char* longName;
    const char* comment;       // null: none
    const char* csvFormat;     // printf format of the CSV value (export/csv_row.cpp writes it so);
                               // null: not a CSV column of its own
    bool csvTime;              // written in the CSV as an ISO 8601 time with milliseconds
    bool verticalAxis;         // the Z coordinate: axis Z, positive down
    bool coordinate;           // an auxiliary coordinate of the others (CoordinatesOf names it)
    const char* coverage;      // coverage_content_type
    const char* unitsMetadata;  // null: none
};

// The columns of an instrument (engineering: with the 3.04 sensors unless
// `layout301`).
std::vector<Column> ColumnsOf(Instrument instrument, bool layout301);

// The coordinates of the instrument's obs variables other than its
// coordinate columns: the per-scan time, the vertical coordinate and the
// station's position. (The station's id is the coordinate variable
// station(station); its name, a char array, is no coordinate of the scans.)
const char* CoordinatesOf(Instrument instrument);

// An engineering pressure-time track: (time, pressure), times ascending.
struct PressureTrack {
    std::vector<std::pair<double, float>> points;
    // No time is NaN: a search starts where the last one ended (the scans
    // of a profile come in time order) instead of halving the whole track.
    bool ordered = false;
    std::size_t next = 0;
};

// Where a scan sits, for the values derived from more than the scan itself.
struct ScanContext {
    double latitude;       // NaN without a position
    uint32_t index;        // the scan's index in its profile
    uint32_t count;        // the profile's scans
    double sensorOn;       // the profile's sensor times, NaN when absent
    double sensorOff;
    double profileTime;    // the profile's `time`: the scans' time without sensor times
    // ACM: the engineering pressure-time track of the same profile (empty
    // without one).
    PressureTrack* track;
};

// The values of one scan, one per column of ColumnsOf, as doubles (exact for
// the float and short columns), but for the derived ones (PutDerivedValues).
void EngineeringRow(const EngineeringValues& scan, const ScanContext& context, bool layout301, double* values);
void CtdRow(const CtdValues& scan, const ScanContext& context, double* values);
void AcmRow(const AcmValues& scan, const ScanContext& context, double* values);

// The values of `count` rows of `width` values that the functions above
// leave out (NaN), worked out many rows at a time, as they cost the most
// of a row: the depth, at `latitude` (NaN without one), and the CTD's
// practical salinity.
void PutDerivedValues(Instrument instrument, double* rows, std::size_t count, std::size_t width, double latitude);

// The time of a scan that carries none: the scans spread evenly between the
// sensor's on and off times (NaN without them).
double SpreadTime(const ScanContext& context);

// The pressure of a track at `time`, linearly interpolated; NaN outside it.
double PressureAt(PressureTrack& track, double time);

// "YYYY-MM-DDThh:mm:ssZ" of an instrument time stamp.
std::string IsoTime(int32_t seconds);
// The same of any time in seconds: whole seconds as above, others with
// milliseconds ("...:ss.sssZ"); empty for NaN.
std::string IsoTimeOf(double seconds);
// IsoTimeOf into `text` (32 bytes at least, NUL-terminated); the length.
std::size_t IsoTimeText(double seconds, char* text);
