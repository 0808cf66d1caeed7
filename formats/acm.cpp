#include "formats/acm.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/sensor_times.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"

namespace {

// Each value is count x (1 / divisor) - offset in double precision. TX and TY
// are printed from the double, the other seven after rounding to single
// precision (the rounding can change the last digit printed).
void WriteScan(std::FILE* out, const uint8_t* scan)
{
    const double tilt = 1.0 / 1000.0, compass = 1.0 / 30000.0, velocity = 1.0 / 100.0;
    double v[9];
    for (int i = 0; i < 9; ++i) {
        const double count = GetU16(scan + 2 * i);
        if (i < 2)
            v[i] = count * tilt - 30.0;
        else if (i < 5)
            v[i] = static_cast<float>(count * compass - 1.0);
        else
            v[i] = static_cast<float>(count * velocity - 300.0);
    }
    WriteFormat(out,
                " %+06.2f  %+06.2f"
                "  %+07.4f  %+07.4f  %+07.4f"
                "  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n",
                v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}

bool IsEndMark(const uint8_t* scan)
{
    for (std::size_t i = 0; i < kAcmScanSize; ++i)
        if (scan[i] != 0xFF)
            return false;
    return true;
}

}  // namespace

int UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                     std::FILE* sensorTimeLog)
{
    const uint32_t profile = fileBase + index;
    if (!write)
        out = nullptr;
    const bool human = HumanForm();

    if (out && human) {
        WriteFormat(out, "\r\n\r\n Profile %u\r\n", profile);
        WriteText(out, "\r\n   TX      TY       HX       HY       HZ  ");
        WriteText(out, "    VPAB     VPCD     VPEF     VPGH\r\n\r\n");
    }

    for (;;) {
        if (IsCancelRequested()) {
            LogMessage(LogError, MsgCancelled);
            return ProfileCancelled;
        }
        uint8_t scan[kAcmScanSize];
        const bool full = ReadRecord(in, scan, sizeof scan);
        // The indicators decide; a short read leaves one of them set.
        if (std::feof(in) || (!full && !std::ferror(in))) {
            if (out)
                WriteText(out, " End of file reached for file\r\n");
            LogMessage(LogError, MsgAcmReadError, profile);
            return ProfileReadError;
        }
        if (std::ferror(in)) {
            if (out)
                WriteText(out, " Error occurred reading from file\r\n");
            LogMessage(LogError, MsgAcmReadError, profile);
            return ProfileReadError;
        }
        if (IsEndMark(scan))
            break;
        if (out)
            WriteScan(out, scan);
    }

    const SensorClose close = {"ACM", MsgAcmReadError, "\r\n", ""};
    return CloseSensorProfile(in, human ? out : nullptr, profile, close, sensorTimeLog);
}
