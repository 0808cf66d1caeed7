#include "formats/ctd.h"

#include "formats/bytes.h"
#include "formats/deployment.h"
#include "formats/sensor_times.h"
#include "formats/stream_lock.h"

namespace {

constexpr CtdConstants kFsiEm{200000, 2.0, 400000, 2.5, 2200, 10.0};
constexpr CtdConstants kSeaBird41CP{10000, 0.5, 10000, 5.0, 100, 10.0};

// Computed in double precision, then rounded to single precision: the
// rounding can change the last digit printed.
float Convert(uint32_t count, double divisor, double offset)
{
    return static_cast<float>(static_cast<double>(count) / divisor - offset);
}

}  // namespace

const CtdConstants& CtdConstantsFor(const DeploymentRecord& deployment)
{
    return !deployment.fsiEmCtd && deployment.seaBirdCtd ? kSeaBird41CP : kFsiEm;
}

DecodeResult DecodeCtdProfile(std::FILE* in, uint32_t profile, const DecodeOptions& options, ProfileSink& sink,
                              Reporter& reporter)
{
    StreamLock lock(in);
    const CtdConstants& k = options.ctd;
    sink.BeginProfile(profile);
    // The scans are read as nine single bytes whose end-of-file and error
    // indicators are tested after each byte. One read of nine bytes ends at
    // the same byte and leaves the same indicators, without a library call
    // per byte. An indicator already set fails the first byte. A read that
    // delivers all nine bytes leaves the indicators as they were, so they are
    // looked at once here and again only after a short read.
    const bool clear = !std::feof(in) && !std::ferror(in);
    for (uint32_t records = 0;; ++records) {
        if (reporter.CancelDue(records)) {
            reporter.Report(LogError, MessageId::Cancelled);
            sink.EndProfile(ProfileEnd::Cancelled);
            return DecodeResult::Cancelled;
        }
        uint8_t scan[kCtdScanSize];
        const std::size_t got = clear ? lock.Read(scan, sizeof scan) : 0;
        if (got < sizeof scan) {
            if (std::feof(in) || !std::ferror(in)) {
                sink.EndProfile(ProfileEnd::FileEnded);
                reporter.Report(LogError, MessageId::CtdReadError, profile);
                return DecodeResult::Done;
            }
            sink.EndProfile(ProfileEnd::ReadError);
            return DecodeResult::ReadError;
        }
        const uint32_t conductivity = GetU24(scan), temperature = GetU24(scan + 3), pressure = GetU24(scan + 6);
        if (conductivity == kCtdEndCount && temperature == kCtdEndCount && pressure == kCtdEndCount)
            break;
        sink.CtdScan(CtdValues{Convert(conductivity, k.conductivityDivisor, k.conductivityOffset),
                               Convert(temperature, k.temperatureDivisor, k.temperatureOffset),
                               Convert(pressure, k.pressureDivisor, k.pressureOffset)});
    }
    return CloseSensorProfile(in, profile, MessageId::CtdReadError, sink, reporter);
}
