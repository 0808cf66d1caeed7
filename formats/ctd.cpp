#include "formats/ctd.h"

#include "formats/bytes.h"
#include "formats/deployment.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/sensor_times.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"

namespace {

constexpr CtdConstants kFsiEm{200000, 2.0, 400000, 2.5, 2200, 10.0};
constexpr CtdConstants kSeaBird41CP{10000, 0.5, 10000, 5.0, 100, 10.0};

// Computed in double precision, then rounded to single precision: the
// rounding can change the last digit printed.
double Convert(uint32_t count, double divisor, double offset)
{
    return static_cast<float>(static_cast<double>(count) / divisor - offset);
}

}  // namespace

const CtdConstants& CtdConstantsFor(const DeploymentRecord& deployment)
{
    return !deployment.fsiEmCtd && deployment.seaBirdCtd ? kSeaBird41CP : kFsiEm;
}

int UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                     std::FILE* sensorTimeLog)
{
    const uint32_t profile = fileBase + index;
    if (!write)
        out = nullptr;
    const bool human = HumanForm();
    const CtdConstants& k = CtdConstantsFor(Deployment);

    if (out && human)
        WriteFormat(out, "\r\n\r\n Profile %u\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n", profile);

    for (;;) {
        if (IsCancelRequested()) {
            LogMessage(LogError, MsgCancelled);
            return ProfileCancelled;
        }
        // The scan is read as nine single bytes whose end-of-file and error
        // indicators are tested after each byte. One read of nine bytes ends
        // at the same byte and leaves the same indicators, without a library
        // call per byte. An indicator already set fails the first byte.
        uint8_t scan[kCtdScanSize];
        std::size_t got = 0;
        if (!std::feof(in) && !std::ferror(in))
            got = std::fread(scan, 1, sizeof scan, in);
        if (got < sizeof scan || std::feof(in) || std::ferror(in)) {
            if (std::feof(in) || !std::ferror(in)) {
                if (out && human)
                    WriteText(out, "\r\n End of file reached\r\n");
                LogMessage(LogError, MsgCtdReadError, profile);
                return ProfileDone;
            }
            return ProfileReadError;
        }
        const uint32_t conductivity = GetU24(scan), temperature = GetU24(scan + 3), pressure = GetU24(scan + 6);
        if (conductivity == kCtdEndCount && temperature == kCtdEndCount && pressure == kCtdEndCount)
            break;
        if (out)
            WriteFormat(out, " %+08.4f  %+08.4f  %+09.3f\r\n",
                        Convert(conductivity, k.conductivityDivisor, k.conductivityOffset),
                        Convert(temperature, k.temperatureDivisor, k.temperatureOffset),
                        Convert(pressure, k.pressureDivisor, k.pressureOffset));
    }

    const SensorClose close = {"CTD", MsgCtdReadError, "\r\n\r\n", "\r\n"};
    return CloseSensorProfile(in, human ? out : nullptr, profile, close, sensorTimeLog);
}
