#include "formats/deployment.h"

#include "formats/bytes.h"
#include "formats/output_file.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "platform/platform.h"

DeploymentRecord Deployment{};

DeploymentRecord DecodeDeployment(const uint8_t* b, bool layout301)
{
    DeploymentRecord r{};
    r.layout301 = layout301;
    r.version = GetI16(b + 0);
    r.countdown = GetI16(b + 2);
    r.countdownDelay = GetI32(b + 4);
    r.scheduledStart = GetTime(b + 8);
    r.profileStartInterval = GetI32(b + 12);
    r.referenceTime = GetTime(b + 16);
    r.burstInterval = GetI32(b + 20);
    r.perBurst = GetI32(b + 24);
    r.pairedProfiles = GetI16(b + 28);
    r.shallowPressure = GetF32(b + 30);
    r.deepPressure = GetF32(b + 34);
    r.shallowError = GetF32(b + 38);
    r.deepError = GetF32(b + 42);
    r.profileTimeLimit = GetI32(b + 46);
    r.stopCheckInterval = GetI32(b + 50);
    r.fullSpeed = GetF32(b + 54);
    r.prThreshold = GetF32(b + 58);
    r.prTimeThreshold = GetI32(b + 62);
    r.sensorWarmup = GetI32(b + 66);
    r.sensorWarmdown = GetI32(b + 70);
    r.infiniteDeployment = GetI16(b + 74);
    r.trailingCount = GetI32(b + 76);
    r.profilesPerFileSet = GetI32(b + 80);
    r.nominalEndurance = GetF32(b + 84);
    r.acousticTelemetry = GetI16(b + 88);
    r.inductiveTelemetry = GetI16(b + 90);
    r.spare92 = GetI32(b + 92);
    r.transmissionDuration = GetI32(b + 96);
    r.decimation = GetI32(b + 100);
    r.acousticTransponder = GetI16(b + 104);
    r.fsiEmCtd = GetI16(b + 106);
    r.seaBirdCtd = GetI16(b + 108);
    r.fsi2dAcm = GetI16(b + 110);
    r.nobskaAcm = GetI16(b + 112);
    r.fluorometer = GetI16(b + 114);
    if (layout301) {
        r.fluorometerUv = GetI16(b + 116);
        r.turbidity = GetI16(b + 118);
        r.spare1 = GetI32(b + 120);
    } else {
        r.turbidity = GetI16(b + 116);
        r.spare1 = GetI32(b + 118);
        r.spare2 = GetI16(b + 122);
        r.spare3 = GetI16(b + 124);
        r.spare4 = GetI32(b + 126);
        r.spare5 = GetI16(b + 130);
        r.spare6 = GetI16(b + 132);
    }
    return r;
}

bool ReadDeployment(std::FILE* in, bool layout301, DeploymentRecord& record)
{
    uint8_t bytes[kDeployRecord304Size];
    if (!ReadRecord(in, bytes, DeployRecordSize(layout301)))
        return false;
    record = DecodeDeployment(bytes, layout301);
    return true;
}

void DurationHms(int32_t seconds, char* text)
{
    if (seconds >= 86400) {
        Format(text, 9, "24:00:00");
        return;
    }
    int32_t t = seconds % 86400;
    if (t < 0)
        t += 86400;
    Format(text, 9, "%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
}

void DurationDhms(int32_t seconds, char* text)
{
    long v = seconds;
    Format(text, 32, "%03ld %02ld:%02ld:%02ld", v / 86400, v % 86400 / 3600, v % 86400 % 3600 / 60,
           v % 86400 % 3600 % 60);
}

// The texts of the flags: the parameter block pads nothing, the system
// configuration block pads "Enabled" to the width of "Disabled".
static const char* OnOff(int16_t flag)
{
    return flag ? "Enabled" : "Disabled";
}

static const char* OnOffPadded(int16_t flag)
{
    return flag ? "Enabled " : "Disabled";
}

void WriteDeploymentReport(std::FILE* out, const DeploymentRecord& r)
{
    char countdown[9], limit[9], interval[32], burst[32];
    DurationHms(r.countdownDelay, countdown);
    DurationHms(r.profileTimeLimit, limit);
    DurationDhms(r.profileStartInterval, interval);
    DurationDhms(r.burstInterval, burst);

    WriteText(out, "\r\n\r\n\r\n\r\n DEPLOYMENT PARAMETERS\r\n"
                   " _____________________");
    if (r.countdown) {
        WriteFormat(out, "\r\n\r\n Countdown delay            %12s [HH:MM:SS]", countdown);
    } else {
        WriteText(out, "\r\n\r\n Scheduled start              ");
        WriteTimeStamp(r.scheduledStart, out);
    }
    WriteFormat(out, "\r\n Profile start interval     %12s [DDD HH:MM:SS]\r\n", interval);
    WriteText(out, " Reference date/time          ");
    WriteTimeStamp(r.referenceTime, out);
    WriteFormat(out, "\r\n Burst interval             %12s [DDD HH:MM:SS]", burst);

    const char* perBurstLabel = r.pairedProfiles ? "Pairs per Burst   " : "Profiles per burst";
    if (r.perBurst == 1)
        WriteFormat(out, "\r\n %s             Disabled", perBurstLabel);
    else
        WriteFormat(out, "\r\n %s         %12ld", perBurstLabel, static_cast<long>(r.perBurst));

    WriteFormat(out,
                "\r\n Paired profiles            %12s                \r\n"
                " Profiles / file set        %12ld                \r\n"
                " Shallow pressure           %12.1f [dbar]                \r\n"
                " Deep pressure              %12.1f [dbar]                \r\n"
                " Shallow error              %12.1f [dbar]                \r\n"
                " Deep error                 %12.1f [dbar]                \r\n"
                " Profile time limit         %12s [HH:MM:SS]                \r\n"
                " Stop check interval        %12ld [sec]",
                OnOff(r.pairedProfiles), static_cast<long>(r.profilesPerFileSet),
                static_cast<double>(r.shallowPressure), static_cast<double>(r.deepPressure),
                static_cast<double>(r.shallowError), static_cast<double>(r.deepError), limit,
                static_cast<long>(r.stopCheckInterval));

    if (r.inductiveTelemetry)
        WriteFormat(out,
                    "\r\n Transmission duration      %12ld [min]                \r\n"
                    " Decimation value           %12ld",
                    static_cast<long>(r.transmissionDuration / 60), static_cast<long>(r.decimation));

    if (r.layout301) {
        // The chlorophyll line ends in the byte 0xE0, alpha in code page 437.
        WriteFormat(out,
                    "\r\n\r\n\r\n\r\n SYSTEM CONFIGURATION\r\n"
                    " ____________________                      \r\n"
                    "\r\n"
                    " Nominal Endurance          %12.1f million meters                        \r\n"
                    " Acoustic Telemetry         %12s                        \r\n"
                    " Inductive Telemetry        %12s                        \r\n"
                    " Acoustic Transponder       %12s                        \r\n"
                    " FSI EM        CTD          %12s                        \r\n"
                    " SeaBird 41CP  CTD          %12s                        \r\n"
                    " FSI 2D        ACM          %12s                        \r\n"
                    " Nobska MAVS3  ACM          %12s                        \r\n"
                    " SeaPoint      Fluorometer  %12s (Chlorophyll %c)                        \r\n"
                    " SeaPoint      Fluorometer  %12s (UV)                        \r\n"
                    " SeaPoint      Turbidity    %12s (IR)",
                    static_cast<double>(r.nominalEndurance), OnOffPadded(r.acousticTelemetry),
                    OnOffPadded(r.inductiveTelemetry), OnOffPadded(r.acousticTransponder),
                    OnOffPadded(r.fsiEmCtd), OnOffPadded(r.seaBirdCtd), OnOffPadded(r.fsi2dAcm),
                    OnOffPadded(r.nobskaAcm), OnOffPadded(r.fluorometer), 0xE0, OnOffPadded(r.fluorometerUv),
                    OnOffPadded(r.turbidity));
    } else {
        WriteFormat(out,
                    "\r\n\r\n\r\n\r\n SYSTEM CONFIGURATION\r\n"
                    " ____________________                    \r\n"
                    "\r\n"
                    " Nominal Endurance          %12.1f million meters                    \r\n"
                    " Inductive Telemetry        %12s                    \r\n"
                    " Acoustic Transponder       %12s                    \r\n"
                    " FSI EM        CTD          %12s                    \r\n"
                    " SeaBird 41CP  CTD          %12s                    \r\n"
                    " FSI 2D        ACM          %12s                    \r\n"
                    " Nobska MAVS3  ACM          %12s                    \r\n"
                    " SeaPoint      Fluorometer  %12s                    \r\n"
                    " SeaPoint      Turbidity    %12s (IR)",
                    static_cast<double>(r.nominalEndurance), OnOffPadded(r.inductiveTelemetry),
                    OnOffPadded(r.acousticTransponder), OnOffPadded(r.fsiEmCtd), OnOffPadded(r.seaBirdCtd),
                    OnOffPadded(r.fsi2dAcm), OnOffPadded(r.nobskaAcm), OnOffPadded(r.fluorometer),
                    OnOffPadded(r.turbidity));
    }

    WriteFormat(out,
                "\r\n\r\n\r\n\r\n INTERNAL PARAMETERS\r\n"
                " ___________________                        \r\n"
                "\r\n"
                " FullSpeed                  %12.3f [dbar/sec]                          \r\n"
                " PR_Threshold               %12.3f [dbar/sec]                          \r\n"
                " PR_TimeThreshold           %12ld [sec]                          \r\n"
                " sensor_warmup              %12ld [sec]                          \r\n"
                " sensor_warmdown            %12ld [sec]                          \r\n"
                " InfiniteDeployment         %12s\r\n"
                "\r\n",
                static_cast<double>(r.fullSpeed), static_cast<double>(r.prThreshold),
                static_cast<long>(r.prTimeThreshold / 1000), static_cast<long>(r.sensorWarmup),
                static_cast<long>(r.sensorWarmdown), OnOff(r.infiniteDeployment));
    if (!r.infiniteDeployment)
        WriteFormat(out, "  %ld", static_cast<long>(r.trailingCount));
}

int UnpackDeployment(const char* inputPath, const char* outputPath)
{
    std::FILE* in = OpenFile(inputPath, "rb");
    if (!in) {
        LogMessage(LogError, MsgDeployOpenError);
        return 1;
    }
    std::FILE* out = std::fopen(outputPath, "wb");
    if (!out) {
        LogMessage(LogError, MsgDeployCreateError);
        std::fclose(in);
        return 1;
    }
    DeploymentRecord record;
    if (!ReadDeployment(in, Layout301(), record)) {
        LogMessage(LogError, MsgDeployReadError);
        std::fclose(in);
        std::fclose(out);
        return -1;
    }
    Deployment = record;
    Settings.DeployOk = 1;
    WriteDeploymentReport(out, record);
    std::fclose(in);
    if (!CloseOutputFile(out)) {
        LogMessage(LogError, MsgDeployCreateError);  // the report did not reach the disk
        return -1;
    }
    return 0;
}
