#include "formats/row_text.h"

#include "formats/timestamp.h"

#include <cstring>
#include <initializer_list>

namespace {

template <std::size_t N>
char* PutText(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

}  // namespace

// 3.01: " %s   %4.0f   %4.1f   %8.3f\r\n", the time stamp first;
// 3.04 adds "   %9.2f   %4d   %9.2f   %4d" before the line end.
char* PutEngineeringRow(char* p, const EngineeringValues& scan, bool human, bool layout301)
{
    *p++ = ' ';
    p = PutTimeStamp(p, scan.time, human);
    p = PutText(p, "   ");
    p = PutFixed(p, scan.current, 4, 0);
    p = PutText(p, "   ");
    p = PutFixed(p, scan.voltage, 4, 1);
    p = PutText(p, "   ");
    p = PutFixed(p, scan.pressure, 8, 3);
    if (!layout301) {
        p = PutText(p, "   ");
        p = PutFixed(p, scan.fluorometer, 9, 2);
        p = PutText(p, "   ");
        p = PutInt(p, scan.fluorometerGain, 4);
        p = PutText(p, "   ");
        p = PutFixed(p, scan.turbidity, 9, 2);
        p = PutText(p, "   ");
        p = PutInt(p, scan.turbidityGain, 4);
    }
    return PutText(p, "\r\n");
}

// " %+08.4f  %+08.4f  %+09.3f\r\n"
char* PutCtdRow(char* p, const CtdValues& scan)
{
    *p++ = ' ';
    p = PutSignedFixed(p, scan.conductivity, 8, 4);
    p = PutText(p, "  ");
    p = PutSignedFixed(p, scan.temperature, 8, 4);
    p = PutText(p, "  ");
    p = PutSignedFixed(p, scan.pressure, 9, 3);
    return PutText(p, "\r\n");
}

// " %+06.2f  %+06.2f  %+07.4f  %+07.4f  %+07.4f  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n"
char* PutAcmRow(char* p, const AcmValues& scan)
{
    *p++ = ' ';
    p = PutSignedFixed(p, scan.tiltX, 6, 2);
    p = PutText(p, "  ");
    p = PutSignedFixed(p, scan.tiltY, 6, 2);
    for (float compass : {scan.compassX, scan.compassY, scan.compassZ}) {
        p = PutText(p, "  ");
        p = PutSignedFixed(p, compass, 7, 4);
    }
    for (float velocity : {scan.velocityAB, scan.velocityCD, scan.velocityEF, scan.velocityGH}) {
        p = PutText(p, "  ");
        p = PutSignedFixed(p, velocity, 7, 2);
    }
    return PutText(p, "\r\n");
}
