#include "formats/sensor_times.h"

#include "formats/bytes.h"
#include "formats/record.h"

DecodeResult CloseSensorProfile(std::FILE* in, uint32_t profile, MessageId readError, ProfileSink& sink,
                                Reporter& reporter)
{
    uint8_t times[kSensorTimesSize];
    if (!ReadRecord(in, times, sizeof times) || std::feof(in) || std::ferror(in)) {
        reporter.Report(LogError, readError, profile);
        sink.EndProfile(ProfileEnd::SensorTimesMissing);
        return DecodeResult::ReadError;
    }
    sink.SensorTimes(GetTime(times), GetTime(times + 4));
    sink.EndProfile(ProfileEnd::Complete);
    return DecodeResult::Done;
}
