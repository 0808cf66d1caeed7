#include "formats/engineering.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/stream_lock.h"

namespace {

EngineeringValues DecodeScan(int32_t time, const uint8_t* b, bool layout301)
{
    EngineeringValues v{time, GetF32(b), GetF32(b + 4), GetF32(b + 8), 0.0f, 0, 0.0f, 0};
    if (!layout301) {
        v.fluorometer = GetF32(b + 12);
        v.fluorometerGain = GetI16(b + 16);
        v.turbidity = GetF32(b + 18);
        v.turbidityGain = GetI16(b + 22);
    }
    return v;
}

// A short read: the message, and the end the sink is told of.
DecodeResult ShortRead(std::FILE* in, uint32_t profile, ProfileSink& sink, Reporter& reporter)
{
    reporter.Report(LogError, MessageId::EngineeringReadError, profile);
    sink.EndProfile(std::ferror(in) ? ProfileEnd::ReadError : ProfileEnd::FileEnded);
    return DecodeResult::ReadError;
}

}  // namespace

StopRecord DecodeStopRecord(const uint8_t* b)
{
    return StopRecord{GetI16(b), GetI16(b + 2), GetTime(b + 4), GetTime(b + 8)};
}

DecodeResult DecodeEngineeringProfile(std::FILE* in, uint32_t profile, const DecodeOptions& options,
                                      ProfileSink& sink, Reporter& reporter)
{
    StreamLock lock(in);
    sink.BeginProfile(profile);
    uint8_t header[kEngineeringHeaderSize];
    if (lock.Read(header, sizeof header) != sizeof header)
        return ShortRead(in, profile, sink, reporter);
    sink.ProfileTimes(GetTime(header), GetTime(header + 4));

    const std::size_t scanSize = options.layout301 ? kEngineeringScan301Size : kEngineeringScan304Size;
    for (uint32_t records = 0;; ++records) {
        if (reporter.CancelDue(records)) {
            reporter.Report(LogError, MessageId::Cancelled);
            sink.EndProfile(ProfileEnd::Cancelled);
            return DecodeResult::Cancelled;
        }
        uint8_t word[4];
        if (lock.Read(word, sizeof word) != sizeof word)
            return ShortRead(in, profile, sink, reporter);
        const int32_t marker = GetI32(word);
        if (marker >= MarkerOperatorStop && marker <= MarkerProfileEnd) {
            uint8_t body[kStopRecordSize];
            if (lock.Read(body, sizeof body) != sizeof body)
                return ShortRead(in, profile, sink, reporter);
            sink.Stop(marker, DecodeStopRecord(body));
            if (EndsProfile(marker)) {
                sink.EndProfile(ProfileEnd::Complete);
                return DecodeResult::Done;
            }
            continue;
        }
        uint8_t scan[kEngineeringScan304Size];
        if (lock.Read(scan, scanSize) != scanSize)
            return ShortRead(in, profile, sink, reporter);
        sink.EngineeringScan(DecodeScan(marker, scan, options.layout301));
    }
}
