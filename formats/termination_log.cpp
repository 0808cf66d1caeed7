#include "formats/termination_log.h"

#include "formats/field_text.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

#include <string>

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

namespace {

// A line of either log, built whole and handed to the stream in one write.
class Line {
public:
    void Text(const std::string& text) { text_ += text; }
    void Stamp(int32_t seconds, bool human)
    {
        char text[kTimeStampLength];
        text_.append(text, PutTimeStamp(text, seconds, human));
    }
    // "  %8d", and in human form the status text in brackets.
    void Status(int16_t status, bool human)
    {
        char number[16];
        text_ += "  ";
        text_.append(number, PutInt(number, status, 8));
        if (human) {
            text_ += "  [";
            text_ += StopReasonText(status);
            text_ += "]";
        }
    }
    void WriteTo(std::FILE* log) const { std::fwrite(text_.data(), 1, text_.size(), log); }

private:
    std::string text_;
};

}  // namespace

void WriteTerminationRow(std::FILE* log, uint32_t profile, const TerminationState& state, bool human)
{
    Line line;
    line.Text(FormatString(" %07u  ", profile));
    line.Stamp(state.sensorOn, human);
    line.Text("  ");
    line.Stamp(state.motionStart, human);
    line.Text("  ");
    line.Stamp(state.motionStop, human);
    line.Text("  ");
    line.Stamp(state.sensorOff, human);
    line.Status(state.rampStatus, human);
    line.Status(state.profileStatus, human);
    line.Text("\r\n");
    line.WriteTo(log);
}

void WriteSensorTimes(std::FILE* log, uint32_t profile, const char* sensor, int32_t on, int32_t off, bool human)
{
    Line line;
    line.Text(FormatString("\r\n Profile %u %s turned on at  ", profile, sensor));
    line.Stamp(on, human);
    line.Text(FormatString("\r\n Profile %u %s turned off at ", profile, sensor));
    line.Stamp(off, human);
    line.Text("\r\n");
    line.WriteTo(log);
}
