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
[[gnu::flatten]] char* PutEngineeringRow(char* p, const EngineeringValues& scan, bool human, bool layout301)
{
    *p++ = ' ';
    p = PutTimeStamp(p, scan.time, human);
    p = PutText(p, "   ");
    p = PutFixed<4, 0>(p, scan.current);
    p = PutText(p, "   ");
    p = PutFixed<4, 1>(p, scan.voltage);
    p = PutText(p, "   ");
    p = PutFixed<8, 3>(p, scan.pressure);
    if (!layout301) {
        p = PutText(p, "   ");
        p = PutFixed<9, 2>(p, scan.fluorometer);
        p = PutText(p, "   ");
        p = PutInt(p, scan.fluorometerGain, 4);
        p = PutText(p, "   ");
        p = PutFixed<9, 2>(p, scan.turbidity);
        p = PutText(p, "   ");
        p = PutInt(p, scan.turbidityGain, 4);
    }
    return PutText(p, "\r\n");
}

// " %+08.4f  %+08.4f  %+09.3f\r\n"
[[gnu::flatten]] char* PutCtdRow(char* p, const CtdValues& scan)
{
    *p++ = ' ';
    p = PutSignedFixed<8, 4>(p, scan.conductivity);
    p = PutText(p, "  ");
    p = PutSignedFixed<8, 4>(p, scan.temperature);
    p = PutText(p, "  ");
    p = PutSignedFixed<9, 3>(p, scan.pressure);
    return PutText(p, "\r\n");
}

// " %+06.2f  %+06.2f  %+07.4f  %+07.4f  %+07.4f  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n"
[[gnu::flatten]] char* PutAcmRow(char* p, const AcmValues& scan)
{
    *p++ = ' ';
    p = PutSignedFixed<6, 2>(p, scan.tiltX);
    p = PutText(p, "  ");
    p = PutSignedFixed<6, 2>(p, scan.tiltY);
    for (float compass : {scan.compassX, scan.compassY, scan.compassZ}) {
        p = PutText(p, "  ");
        p = PutSignedFixed<7, 4>(p, compass);
    }
    for (float velocity : {scan.velocityAB, scan.velocityCD, scan.velocityEF, scan.velocityGH}) {
        p = PutText(p, "  ");
        p = PutSignedFixed<7, 2>(p, velocity);
    }
    return PutText(p, "\r\n");
}
