#pragma once
// The profile termination log TIMETAGS.TXT (one row per engineering profile
// written) and the sensor time log SNSRTIME.TXT (one entry per CTD or ACM
// profile read). The unpack job creates and closes both files; the profile
// text sinks (formats/profile_text.h) write their rows and entries.

#include <cstdint>
#include <cstdio>

// The values gathered for one profile's termination row.
struct TerminationState {
    int32_t sensorOn;
    int32_t motionStart;
    int32_t motionStop;
    int32_t sensorOff;
    int16_t rampStatus;
    int16_t profileStatus;
};

// The text of a stop status code; "CANNOT IDENTIFY MSG" for codes not known.
const char* StopReasonText(int code);

// The heading of the termination log: human form only.
void WriteTerminationLogHeader(std::FILE* log, bool human);
void WriteTerminationRow(std::FILE* log, uint32_t profile, const TerminationState& state, bool human);
void WriteSensorTimes(std::FILE* log, uint32_t profile, const char* sensor, int32_t on, int32_t off, bool human);
