#include "formats/engineering.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/settings_record.h"
#include "formats/termination_log.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

StopRecord DecodeStopRecord(const uint8_t* b)
{
    return StopRecord{GetI16(b), GetI16(b + 2), GetTime(b + 4), GetTime(b + 8)};
}

void WriteStopNotes(std::FILE* out, int32_t marker, const StopRecord& stop)
{
    if (!HumanForm() || !out)
        return;
    const char* ramp = StopReasonText(stop.rampStatus);
    const char* profile = StopReasonText(stop.profileStatus);
    if (marker == MarkerProfileEnd || marker == MarkerOperatorStop) {
        WriteText(out, "\r\n\r\n Ramp exit:     ");
        WriteText(out, ramp);
        WriteText(out, "\r\n Profile exit:  ");
        WriteText(out, profile);
        WriteText(out, "\r\n\r\n Vehicle motion stopped at ");
        WriteTimeStamp(stop.motionStopOrRestart, out);
        WriteText(out, "\r\n Sensor logging stopped at ");
        WriteTimeStamp(stop.sensorOff, out);
        if (marker == MarkerOperatorStop)
            WriteText(out, "\r\n\r\n Deployment stopped by operator.");
        return;
    }
    WriteText(out, "\r\n\r\n Ramp status:     ");
    WriteText(out, ramp);
    WriteText(out, "\r\n Profile status:  ");
    WriteText(out, profile);
    WriteText(out, "\r\n\r\n Profile restarted at ");
    WriteTimeStamp(stop.motionStopOrRestart, out);
    if (marker == MarkerIncomplete)
        WriteText(out, "\r\n Profile could not be completed. \r\n");
    else if (marker == MarkerBacktrack)
        WriteText(out, "\r\n Backtrack performed, possible obstruction.\r\n");
    else
        WriteText(out, "\r\n Profile restarted.\r\n");
}

static void WriteHeading(std::FILE* out, uint32_t profile, int32_t sensorOn, int32_t motionStart)
{
    WriteFormat(out, "\r\n\r\n Profile %u", profile);
    WriteText(out, "\r\n\r\n Sensors were turned on at  ");
    WriteTimeStamp(sensorOn, out);
    WriteText(out, "\r\n Vehicle began profiling at ");
    WriteTimeStamp(motionStart, out);
    WriteText(out, "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]");
    WriteText(out, Layout301() ? "\r\n" : "       Fluor[mV]  Gain    Turb[mV]   Gain\r\n");
}

static void WriteScan(std::FILE* out, int32_t time, const uint8_t* scan)
{
    char stamp[20];
    TimeStampText(time, HumanForm(), stamp);
    double current = GetF32(scan), voltage = GetF32(scan + 4), pressure = GetF32(scan + 8);
    if (Layout301()) {
        WriteFormat(out, " %s   %4.0f   %4.1f   %8.3f\r\n", stamp, current, voltage, pressure);
        return;
    }
    WriteFormat(out, " %s   %4.0f   %4.1f   %8.3f   %9.2f   %4d   %9.2f   %4d\r\n", stamp, current, voltage,
                pressure, static_cast<double>(GetF32(scan + 12)), GetI16(scan + 16),
                static_cast<double>(GetF32(scan + 18)), GetI16(scan + 22));
}

int UnpackEngineeringProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                             std::FILE* terminationLog)
{
    const uint32_t profile = fileBase + index;
    TerminationState state{};
    if (!write)
        out = nullptr;

    uint8_t header[kEngineeringHeaderSize];
    if (!ReadRecord(in, header, sizeof header)) {
        LogMessage(LogError, MsgEngineeringReadError, profile);
        return ProfileReadError;
    }
    state.sensorOn = GetTime(header);
    state.motionStart = GetTime(header + 4);
    if (out && HumanForm())
        WriteHeading(out, profile, state.sensorOn, state.motionStart);

    const std::size_t scanSize = Layout301() ? kEngineeringScan301Size : kEngineeringScan304Size;
    for (;;) {
        if (IsCancelRequested()) {
            LogMessage(LogError, MsgCancelled);
            return ProfileCancelled;
        }
        uint8_t word[4];
        if (!ReadRecord(in, word, sizeof word)) {
            LogMessage(LogError, MsgEngineeringReadError, profile);
            return ProfileReadError;
        }
        const int32_t marker = GetI32(word);
        if (marker >= MarkerOperatorStop && marker <= MarkerProfileEnd) {
            uint8_t body[kStopRecordSize];
            if (!ReadRecord(in, body, sizeof body)) {
                LogMessage(LogError, MsgEngineeringReadError, profile);
                return ProfileReadError;
            }
            StopRecord stop = DecodeStopRecord(body);
            if (out)
                WriteStopNotes(out, marker, stop);
            state.motionStop = stop.motionStopOrRestart;
            state.sensorOff = stop.sensorOff;
            state.rampStatus = stop.rampStatus;
            state.profileStatus = stop.profileStatus;
            if (marker == MarkerProfileEnd || marker == MarkerOperatorStop) {
                if (write && terminationLog)
                    WriteTerminationRow(terminationLog, profile, state);
                return ProfileDone;
            }
            continue;
        }
        uint8_t scan[kEngineeringScan304Size];
        if (!ReadRecord(in, scan, scanSize)) {
            LogMessage(LogError, MsgEngineeringReadError, profile);
            return ProfileReadError;
        }
        if (out)
            WriteScan(out, marker, scan);
    }
}
