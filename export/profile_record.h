#pragma once
// What the export keeps of one profile of one instrument while the run
// decodes it: its number, how it was read, where its scans are (in its data
// file, and among the instrument's scans) and its times and termination codes.

#include "export/export_columns.h"
#include "formats/export_sinks.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

constexpr int16_t kShortFill = -32767;
constexpr int8_t kByteFill = -127;

// profile_direction: down (pressure increasing), up, unknown.
constexpr int8_t kDirectionDown = 0, kDirectionUp = 1, kDirectionUnknown = 2;
constexpr const char* kDirectionMeanings = "down up unknown";
// The least change of pressure over a profile that shows its direction.
constexpr double kDirectionMinimumDbar = 1.0;

// The direction of an engineering profile from its first and last pressure.
inline int8_t DirectionOf(double firstPressure, double lastPressure)
{
    const double change = lastPressure - firstPressure;
    return change > kDirectionMinimumDbar ? kDirectionDown : change < -kDirectionMinimumDbar ? kDirectionUp
                                                                                               : kDirectionUnknown;
}

struct ProfileRecord {
    uint32_t number = 0;
    int8_t status = kStatusNotRead;
    uint64_t firstScan = 0;  // its first scan's index among the instrument's
    uint32_t scans = 0;
    // The data file it was read from (an index into the instrument's files)
    // and the byte its profile starts at there (kUnknownOffset: not known).
    uint32_t dataFile = UINT32_MAX;
    uint64_t offset = kUnknownOffset;
    double sensorOn = std::numeric_limits<double>::quiet_NaN();
    double sensorOff = std::numeric_limits<double>::quiet_NaN();
    // engineering
    double motionStart = std::numeric_limits<double>::quiet_NaN();
    double motionStop = std::numeric_limits<double>::quiet_NaN();
    int16_t rampExit = kShortFill;
    int16_t profileExit = kShortFill;
    int8_t endedByOperator = kByteFill;
    int16_t restarts = 0, backtracks = 0, incomplete = 0;
    // engineering: the first and last pressure of its scans (NaN without)
    float firstPressure = std::numeric_limits<float>::quiet_NaN();
    float lastPressure = std::numeric_limits<float>::quiet_NaN();
    // CTD: which way the vehicle went (kDirectionDown, ...), from the
    // engineering profile of the same number
    int8_t direction = kDirectionUnknown;
    // the grades of its tested columns, by QcVariable (kByteFill: none)
    std::array<int8_t, 4> grades{kByteFill, kByteFill, kByteFill, kByteFill};

    // The profile's `time` and where it comes from (TimeSource), set by
    // SetProfileTimes.
    double time = std::numeric_limits<double>::quiet_NaN();
    int8_t timeSource = kByteFill;
};

// Where a profile's `time` comes from: the flag values of time_source.
enum TimeSource : int8_t {
    kTimeSensorOn = 0,
    kTimeEngineeringMotionStart = 1,
    kTimeEngineeringSensorOn = 2,
    kTimeSchedule = 3,
};
constexpr const char* kTimeSourceMeanings = "sensor_on engineering_motion_start engineering_sensor_on schedule";

// Gives each of an instrument's listed profiles (ascending numbers) its
// time, in this order: the instrument's sensor-on time (not for the
// engineering file, whose time is its motion start); the engineering motion
// start of the same profile; the engineering sensor-on time; the schedule,
// the nearest profile with a time of its own (the earlier one of two as
// near) plus `interval` seconds (none when 0) times the difference in
// profile numbers. `engineering` are the engineering profiles (ascending;
// empty when not read). A profile with none keeps NaN.
void SetProfileTimes(std::vector<ProfileRecord>& profiles, Instrument instrument,
                     const std::vector<ProfileRecord>& engineering, int32_t interval);
