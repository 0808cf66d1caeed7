#include "formats/sensor_times.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/termination_log.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

int CloseSensorProfile(std::FILE* in, std::FILE* human, uint32_t profile, const SensorClose& close,
                       std::FILE* sensorTimeLog)
{
    uint8_t times[kSensorTimesSize];
    if (!ReadRecord(in, times, sizeof times) || std::feof(in) || std::ferror(in)) {
        LogMessage(LogError, close.readError, profile);
        return ProfileReadError;
    }
    const int32_t on = GetTime(times), off = GetTime(times + 4);
    if (human) {
        WriteText(human, close.lead);
        WriteFormat(human, " Profile %u\r\n", profile);
        WriteFormat(human, "\r\n   %s turned on at  ", close.sensor);
        WriteTimeStamp(on, human);
        WriteFormat(human, "\r\n   %s turned off at ", close.sensor);
        WriteTimeStamp(off, human);
        WriteText(human, close.end);
    }
    if (sensorTimeLog)
        WriteSensorTimes(sensorTimeLog, profile, close.sensor, on, off);
    return ProfileDone;
}
