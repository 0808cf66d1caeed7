#include "formats/deployment_text.h"

#include "formats/deployment.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

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

void WriteDeploymentReport(std::FILE* out, const DeploymentRecord& r, bool human)
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
        WriteTimeStamp(r.scheduledStart, human, out);
    }
    WriteFormat(out, "\r\n Profile start interval     %12s [DDD HH:MM:SS]\r\n", interval);
    WriteText(out, " Reference date/time          ");
    WriteTimeStamp(r.referenceTime, human, out);
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

DeploymentText::DeploymentText(std::FILE* out, bool human) : out_(out), human_(human) {}

void DeploymentText::Record(const DeploymentRecord& record)
{
    WriteDeploymentReport(out_, record, human_);
}
