#pragma once
// The close of a CTD or ACM profile: its SensorTimes record, shown in the
// human form of the profile's text and noted in the sensor time log.

#include <cstdint>
#include <cstdio>

// What the two sensors do differently at the close of a profile.
struct SensorClose {
    const char* sensor;    // "CTD", "ACM"
    int readError;         // the message logged when the record is not there
    const char* lead;      // written before " Profile <n>"
    const char* end;       // written after the switch-off time
};

// Reads the SensorTimes record of `profile` from `in`. `human`, when not
// null, gets the profile number and the two times; `sensorTimeLog`, when not
// null, gets its entry. ProfileDone, or ProfileReadError (logged) when the
// record is short or the file reports an error.
int CloseSensorProfile(std::FILE* in, std::FILE* human, uint32_t profile, const SensorClose& close,
                       std::FILE* sensorTimeLog);
