#include "formats/profile_text.h"

#include "formats/engineering.h"
#include "formats/row_text.h"

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
void WriteSensorClose(TextBuffer& out, std::FILE* sensorTimeLog, uint32_t profile, const SensorClose& close,
                      int32_t on, int32_t off, bool human)
{
    if (out.Writing() && human) {
        out.Append(close.lead);
        out.AppendFormat(" Profile %u\r\n", profile);
        out.AppendFormat("\r\n   %s turned on at  ", close.sensor);
        out.AppendTimeStamp(on, true);
        out.AppendFormat("\r\n   %s turned off at ", close.sensor);
        out.AppendTimeStamp(off, true);
        out.Append(close.end);
    }
    if (sensorTimeLog)
        WriteSensorTimes(sensorTimeLog, profile, close.sensor, on, off, human);
}

void WriteEngineeringHeading(TextBuffer& out, uint32_t profile, int32_t sensorOn, int32_t motionStart,
                             bool layout301)
{
    out.AppendFormat("\r\n\r\n Profile %u", profile);
    out.Append("\r\n\r\n Sensors were turned on at  ");
    out.AppendTimeStamp(sensorOn, true);
    out.Append("\r\n Vehicle began profiling at ");
    out.AppendTimeStamp(motionStart, true);
    out.Append("\r\n\r\n    Date      Time     [mA]    [V]    [dbar]");
    out.Append(layout301 ? "\r\n" : "       Fluor[mV]  Gain    Turb[mV]   Gain\r\n");
}

}  // namespace

void WriteStopNotes(TextBuffer& out, int32_t marker, const StopRecord& stop, bool human)
{
    if (!human || !out.Writing())
        return;
    const char* ramp = StopReasonText(stop.rampStatus);
    const char* profile = StopReasonText(stop.profileStatus);
    if (EndsProfile(marker)) {
        out.Append("\r\n\r\n Ramp exit:     ");
        out.Append(ramp);
        out.Append("\r\n Profile exit:  ");
        out.Append(profile);
        out.Append("\r\n\r\n Vehicle motion stopped at ");
        out.AppendTimeStamp(stop.motionStopOrRestart, true);
        out.Append("\r\n Sensor logging stopped at ");
        out.AppendTimeStamp(stop.sensorOff, true);
        if (marker == MarkerOperatorStop)
            out.Append("\r\n\r\n Deployment stopped by operator.");
        return;
    }
    out.Append("\r\n\r\n Ramp status:     ");
    out.Append(ramp);
    out.Append("\r\n Profile status:  ");
    out.Append(profile);
    out.Append("\r\n\r\n Profile restarted at ");
    out.AppendTimeStamp(stop.motionStopOrRestart, true);
    if (marker == MarkerIncomplete)
        out.Append("\r\n Profile could not be completed. \r\n");
    else if (marker == MarkerBacktrack)
        out.Append("\r\n Backtrack performed, possible obstruction.\r\n");
    else
        out.Append("\r\n Profile restarted.\r\n");
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
    if (out_.Writing() && human_)
        WriteEngineeringHeading(out_, profile_, sensorOn, motionStart, layout301_);
}

void EngineeringText::EngineeringScan(const EngineeringValues& scan)
{
    if (out_.Writing())
        out_.Commit(PutEngineeringRow(out_.Room(kMaxRowLength), scan, human_, layout301_));
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
    out_.Flush();
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
    if (out_.Writing() && human_)
        out_.AppendFormat("\r\n\r\n Profile %u\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n", profile);
}

void CtdText::CtdScan(const CtdValues& scan)
{
    if (out_.Writing())
        out_.Commit(PutCtdRow(out_.Room(kMaxRowLength), scan));
}

void CtdText::EndProfile(ProfileEnd end)
{
    if (end == ProfileEnd::FileEnded && out_.Writing() && human_)
        out_.Append("\r\n End of file reached\r\n");
    out_.Flush();
}

AcmText::AcmText(std::FILE* out, std::FILE* sensorTimeLog, const DecodeOptions& options)
    : SensorProfileText(out, sensorTimeLog, options, kAcmClose)
{
}

void AcmText::BeginProfile(uint32_t profile)
{
    profile_ = profile;
    if (out_.Writing() && human_) {
        out_.AppendFormat("\r\n\r\n Profile %u\r\n", profile);
        out_.Append("\r\n   TX      TY       HX       HY       HZ  ");
        out_.Append("    VPAB     VPCD     VPEF     VPGH\r\n\r\n");
    }
}

void AcmText::AcmScan(const AcmValues& scan)
{
    if (out_.Writing())
        out_.Commit(PutAcmRow(out_.Room(kMaxRowLength), scan));
}

// The notes of an early end are written in both forms, among the scans only.
void AcmText::EndProfile(ProfileEnd end)
{
    if (end == ProfileEnd::FileEnded)
        out_.Append(" End of file reached for file\r\n");
    else if (end == ProfileEnd::ReadError)
        out_.Append(" Error occurred reading from file\r\n");
    out_.Flush();
}
