#include "formats/acm.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/sensor_times.h"
#include "formats/stream_lock.h"

namespace {

// Each value is count x (1 / divisor) - offset in double precision. TX and TY
// stay in double, the other seven are rounded to single precision.
AcmValues DecodeScan(const uint8_t* scan)
{
    const double tilt = 1.0 / 1000.0, compass = 1.0 / 30000.0, velocity = 1.0 / 100.0;
    auto count = [scan](int i) { return static_cast<double>(GetU16(scan + 2 * i)); };
    auto compassValue = [&](int i) { return static_cast<float>(count(i) * compass - 1.0); };
    auto velocityValue = [&](int i) { return static_cast<float>(count(i) * velocity - 300.0); };
    return AcmValues{count(0) * tilt - 30.0, count(1) * tilt - 30.0,
                     compassValue(2),        compassValue(3),
                     compassValue(4),        velocityValue(5),
                     velocityValue(6),       velocityValue(7),
                     velocityValue(8)};
}

bool IsEndMark(const uint8_t* scan)
{
    for (std::size_t i = 0; i < kAcmScanSize; ++i)
        if (scan[i] != 0xFF)
            return false;
    return true;
}

}  // namespace

DecodeResult DecodeAcmProfile(std::FILE* in, uint32_t profile, const DecodeOptions& /*options*/, ProfileSink& sink,
                              Reporter& reporter)
{
    StreamLock lock(in);
    sink.BeginProfile(profile);
    // A read that delivers the whole scan leaves the stream's indicators as
    // they were: they are looked at when the profile starts and after a short
    // read.
    const bool clear = !std::feof(in) && !std::ferror(in);
    for (uint32_t records = 0;; ++records) {
        if (reporter.CancelDue(records)) {
            reporter.Report(LogError, MessageId::Cancelled);
            sink.EndProfile(ProfileEnd::Cancelled);
            return DecodeResult::Cancelled;
        }
        uint8_t scan[kAcmScanSize];
        const bool full = lock.Read(scan, sizeof scan) == sizeof scan;
        if (!full || !clear) {
            // The indicators decide; a short read leaves one of them set.
            if (std::feof(in) || (!full && !std::ferror(in))) {
                sink.EndProfile(ProfileEnd::FileEnded);
                reporter.Report(LogError, MessageId::AcmReadError, profile);
                return DecodeResult::ReadError;
            }
            if (std::ferror(in)) {
                sink.EndProfile(ProfileEnd::ReadError);
                reporter.Report(LogError, MessageId::AcmReadError, profile);
                return DecodeResult::ReadError;
            }
        }
        if (IsEndMark(scan))
            break;
        sink.AcmScan(DecodeScan(scan));
    }
    return CloseSensorProfile(in, profile, MessageId::AcmReadError, sink, reporter);
}
