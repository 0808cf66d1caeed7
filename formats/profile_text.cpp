#include "formats/profile_text.h"

#include "formats/engineering.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

// What the CTD and ACM texts do differently at the close of a profile.
struct SensorClose {
    const char* sensor;  // "CTD", "ACM"
    const char* lead;    // written before " Profile <n>"
    const char* end;     // written after the switch-off time
};

namespace {

constexpr SensorClose kCtdClose = {"CTD", "\r\n\r\n", "\r\n"};
constexpr SensorClose kAcmClose = {"ACM", "\r\n", ""};

// The sensor times: the profile's number and the two times in the human form
// of its text, and the entry of the sensor time log in either form.
void WriteSensorClose(std::FILE* out, std::FILE* sensorTimeLog, uint32_t profile, const SensorClose& close,
                      int32_t on, int32_t off, bool human)
{
    if (out && human) {
        WriteText(out, close.lead);
        WriteFormat(out, " Profile %u\r\n", profile);
        WriteFormat(out, "\r\n   %s turned on at  ", close.sensor);
        WriteTimeStamp(on, true, out);
        WriteFormat(out, "\r\n   %s turned off at ", close.sensor);
        WriteTimeStamp(off, true, out);
        WriteText(out, close.end);
    }
    if (sensorTimeLog)
        WriteSensorTimes(sensorTimeLog, profile, close.sensor, on, off, human);
}

void WriteEngineeringHeading(std::FILE* out, uint32_t profile, int32_t sensorOn, int32_t motionStart,
                             bool layout301)
{
    WriteFormat(out, "\r\n\r\n Profile %u", profile);
    WriteText(out, "\r\n\r\n Sensors were turned on at  ");
    WriteTimeStamp(sensorOn, true, out);
    WriteText(out, "\r\n Vehicle began profiling at ");
    WriteTimeStamp(motionStart, true, out);
    WriteText(out, "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]");
    WriteText(out, layout301 ? "\r\n" : "       Fluor[mV]  Gain    Turb[mV]   Gain\r\n");
}

}  // namespace

void WriteStopNotes(std::FILE* out, int32_t marker, const StopRecord& stop, bool human)
{
    if (!human || !out)
        return;
    const char* ramp = StopReasonText(stop.rampStatus);
    const char* profile = StopReasonText(stop.profileStatus);
    if (EndsProfile(marker)) {
        WriteText(out, "\r\n\r\n Ramp exit:     ");
        WriteText(out, ramp);
        WriteText(out, "\r\n Profile exit:  ");
        WriteText(out, profile);
        WriteText(out, "\r\n\r\n Vehicle motion stopped at ");
        WriteTimeStamp(stop.motionStopOrRestart, true, out);
        WriteText(out, "\r\n Sensor logging stopped at ");
        WriteTimeStamp(stop.sensorOff, true, out);
        if (marker == MarkerOperatorStop)
            WriteText(out, "\r\n\r\n Deployment stopped by operator.");
        return;
    }
    WriteText(out, "\r\n\r\n Ramp status:     ");
    WriteText(out, ramp);
    WriteText(out, "\r\n Profile status:  ");
    WriteText(out, profile);
    WriteText(out, "\r\n\r\n Profile restarted at ");
    WriteTimeStamp(stop.motionStopOrRestart, true, out);
    if (marker == MarkerIncomplete)
        WriteText(out, "\r\n Profile could not be completed. \r\n");
    else if (marker == MarkerBacktrack)
        WriteText(out, "\r\n Backtrack performed, possible obstruction.\r\n");
    else
        WriteText(out, "\r\n Profile restarted.\r\n");
}

void WriteEngineeringRow(std::FILE* out, const EngineeringValues& scan, bool human, bool layout301)
{
    char stamp[20];
    TimeStampText(scan.time, human, stamp);
    const double current = scan.current, voltage = scan.voltage, pressure = scan.pressure;
    if (layout301) {
        WriteFormat(out, " %s   %4.0f   %4.1f   %8.3f\r\n", stamp, current, voltage, pressure);
        return;
    }
    WriteFormat(out, " %s   %4.0f   %4.1f   %8.3f   %9.2f   %4d   %9.2f   %4d\r\n", stamp, current, voltage,
                pressure, static_cast<double>(scan.fluorometer), scan.fluorometerGain,
                static_cast<double>(scan.turbidity), scan.turbidityGain);
}

void WriteCtdRow(std::FILE* out, const CtdValues& scan)
{
    WriteFormat(out, " %+08.4f  %+08.4f  %+09.3f\r\n", static_cast<double>(scan.conductivity),
                static_cast<double>(scan.temperature), static_cast<double>(scan.pressure));
}

void WriteAcmRow(std::FILE* out, const AcmValues& scan)
{
    WriteFormat(out,
                " %+06.2f  %+06.2f"
                "  %+07.4f  %+07.4f  %+07.4f"
                "  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n",
                scan.tiltX, scan.tiltY, static_cast<double>(scan.compassX), static_cast<double>(scan.compassY),
                static_cast<double>(scan.compassZ), static_cast<double>(scan.velocityAB),
                static_cast<double>(scan.velocityCD), static_cast<double>(scan.velocityEF),
                static_cast<double>(scan.velocityGH));
}

EngineeringText::EngineeringText(std::FILE* out, std::FILE* terminationLog, const DecodeOptions& options)
    : out_(out), terminationLog_(terminationLog), human_(options.human), layout301_(options.layout301)
{
}

void EngineeringText::BeginProfile(uint32_t profile)
{
    profile_ = profile;
    state_ = TerminationState{};
}

void EngineeringText::ProfileTimes(int32_t sensorOn, int32_t motionStart)
{
    state_.sensorOn = sensorOn;
    state_.motionStart = motionStart;
    if (out_ && human_)
        WriteEngineeringHeading(out_, profile_, sensorOn, motionStart, layout301_);
}

void EngineeringText::EngineeringScan(const EngineeringValues& scan)
{
    if (out_)
        WriteEngineeringRow(out_, scan, human_, layout301_);
}

void EngineeringText::Stop(int32_t marker, const StopRecord& stop)
{
    WriteStopNotes(out_, marker, stop, human_);
    state_.motionStop = stop.motionStopOrRestart;
    state_.sensorOff = stop.sensorOff;
    state_.rampStatus = stop.rampStatus;
    state_.profileStatus = stop.profileStatus;
}

void EngineeringText::EndProfile(ProfileEnd end)
{
    if (end == ProfileEnd::Complete && terminationLog_)
        WriteTerminationRow(terminationLog_, profile_, state_, human_);
}

SensorProfileText::SensorProfileText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options,
                                     const SensorClose& close)
    : out_(out), sensorTimeLog_(sensorTimeLog), human_(options.human), close_(close)
{
}

void SensorProfileText::SensorTimes(int32_t on, int32_t off)
{
    WriteSensorClose(out_, sensorTimeLog_, profile_, close_, on, off, human_);
}

CtdText::CtdText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options)
    : SensorProfileText(out, sensorTimeLog, options, kCtdClose)
{
}

void CtdText::BeginProfile(uint32_t profile)
{
    profile_ = profile;
    if (out_ && human_)
        WriteFormat(out_, "\r\n\r\n Profile %u\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n", profile);
}

void CtdText::CtdScan(const CtdValues& scan)
{
    if (out_)
        WriteCtdRow(out_, scan);
}

void CtdText::EndProfile(ProfileEnd end)
{
    if (end == ProfileEnd::FileEnded && out_ && human_)
        WriteText(out_, "\r\n End of file reached\r\n");
}

AcmText::AcmText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options)
    : SensorProfileText(out, sensorTimeLog, options, kAcmClose)
{
}

void AcmText::BeginProfile(uint32_t profile)
{
    profile_ = profile;
    if (out_ && human_) {
        WriteFormat(out_, "\r\n\r\n Profile %u\r\n", profile);
        WriteText(out_, "\r\n   TX      TY       HX       HY       HZ  ");
        WriteText(out_, "    VPAB     VPCD     VPEF     VPGH\r\n\r\n");
    }
}

void AcmText::AcmScan(const AcmValues& scan)
{
    if (out_)
        WriteAcmRow(out_, scan);
}

// The notes of an early end are written in both forms, among the scans only.
void AcmText::EndProfile(ProfileEnd end)
{
    if (!out_)
        return;
    if (end == ProfileEnd::FileEnded)
        WriteText(out_, " End of file reached for file\r\n");
    else if (end == ProfileEnd::ReadError)
        WriteText(out_, " Error occurred reading from file\r\n");
}
