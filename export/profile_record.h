#pragma once
// What the export keeps of one profile of one instrument while the run
// decodes it: its number, how it was read, where its scans sit in the
// instrument's scratch file and its times and termination codes.

#include "export/export_columns.h"

#include <cstdint>
#include <limits>

constexpr int16_t kShortFill = -32767;
constexpr int8_t kByteFill = -127;

struct ProfileRecord {
    uint32_t number = 0;
    int8_t status = kStatusNotRead;
    uint64_t firstScan = 0;
    uint32_t scans = 0;
    double sensorOn = std::numeric_limits<double>::quiet_NaN();
    double sensorOff = std::numeric_limits<double>::quiet_NaN();
    // engineering
    double motionStart = std::numeric_limits<double>::quiet_NaN();
    double motionStop = std::numeric_limits<double>::quiet_NaN();
    int16_t rampExit = kShortFill;
    int16_t profileExit = kShortFill;
    int8_t endedByOperator = kByteFill;
    int16_t restarts = 0, backtracks = 0, incomplete = 0;

    // The profile's `time`: the sensor-on time (engineering: motion start).
    double Time(Instrument instrument) const
    {
        return instrument == Instrument::Engineering ? motionStart : sensorOn;
    }
};
