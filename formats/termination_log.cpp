#include "formats/termination_log.h"

#include "formats/text_format.h"
#include "formats/timestamp.h"

const char* StopReasonText(int code)
{
    switch (code) {
    case 0: return "SMOOTH RUNNING";
    case 2: return "OPERATOR CTRL C";
    case 3: return "TT8 COMM FAILURE";
    case 4: return "CTD COMM FAILURE";
    case 6: return "TIMER EXPIRED";
    case 7: return "MIN BATTERY";
    case 9: return "MAX MOTOR CURRENT";
    case 13: return "TOP PRESSURE";
    case 14: return "BOTTOM PRESSURE";
    case 15: return "PRESSURE RATE ZERO";
    case 17: return "STOP NULL";
    case 18: return "FLASH CARD FULL";
    case 19: return "FILE SYSTEM FULL";
    case 20: return "TOO MANY OPEN FILES";
    default: return "CANNOT IDENTIFY MSG";
    }
}

void WriteTerminationLogHeader(std::FILE* log, bool human)
{
    if (!human)
        return;
    WriteText(log, "Profile Termination Log\r\n\r\n");
    WriteText(log, " Profile  Sensor On            Motion Start         Motion Stop          Sensor Off           Ramp      Profile\r\n");
    WriteText(log, " -------  -------------------  -------------------  -------------------  -------------------  ----      -------\r\n");
}

static void WriteStatus(std::FILE* log, int16_t status, bool human)
{
    WriteFormat(log, "  %8d", status);
    if (human) {
        WriteText(log, "  [");
        WriteText(log, StopReasonText(status));
        WriteText(log, "]");
    }
}

void WriteTerminationRow(std::FILE* log, uint32_t profile, const TerminationState& state, bool human)
{
    WriteFormat(log, " %07u  ", profile);
    WriteTimeStamp(state.sensorOn, human, log);
    WriteText(log, "  ");
    WriteTimeStamp(state.motionStart, human, log);
    WriteText(log, "  ");
    WriteTimeStamp(state.motionStop, human, log);
    WriteText(log, "  ");
    WriteTimeStamp(state.sensorOff, human, log);
    WriteStatus(log, state.rampStatus, human);
    WriteStatus(log, state.profileStatus, human);
    WriteText(log, "\r\n");
}

void WriteSensorTimes(std::FILE* log, uint32_t profile, const char* sensor, int32_t on, int32_t off, bool human)
{
    WriteFormat(log, "\r\n Profile %u %s turned on at  ", profile, sensor);
    WriteTimeStamp(on, human, log);
    WriteFormat(log, "\r\n Profile %u %s turned off at ", profile, sensor);
    WriteTimeStamp(off, human, log);
    WriteText(log, "\r\n");
}
