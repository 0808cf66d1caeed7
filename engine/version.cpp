#include "engine/version.h"

#include <cstring>

// The build passes the configure time as DAVROLIN_BUILD_DATE ("May 07 2004")
// and DAVROLIN_BUILD_TIME; the compiler's own stamps serve otherwise.
#if !defined(DAVROLIN_BUILD_DATE)
#define DAVROLIN_BUILD_DATE __DATE__
#endif
#if !defined(DAVROLIN_BUILD_TIME)
#define DAVROLIN_BUILD_TIME __TIME__
#endif

const char* BuildDate()
{
    // "Mmm dd yyyy" with a leading zero of the day shown as a blank.
    struct Text {
        char date[16] = {};
        Text()
        {
            std::strncpy(date, DAVROLIN_BUILD_DATE, sizeof date - 1);
            if (std::strlen(date) == 11 && date[3] == ' ' && date[4] == '0')
                date[4] = ' ';
        }
    };
    static const Text text;
    return text.date;
}

const char* BuildTime()
{
    return DAVROLIN_BUILD_TIME;
}
