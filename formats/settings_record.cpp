#include "formats/settings_record.h"

#include <cstring>

SettingsRecord Settings = [] {
    SettingsRecord s;
    SetDefaultSettings(s);
    return s;
}();

void SetDefaultSettings(SettingsRecord& s)
{
    std::memset(&s, 0, sizeof s);
    s.UnpackAll = 1;
    s.Options = 0;
    s.ProfileRange = RangeEntireDeployment;
    std::strcpy(s.SrcDir, "C:\\VXP");
    std::strcpy(s.DstDir, "C:\\VXP");
    s.HumanReadible = 0;
    s.WindowX = INT32_MIN;
    s.WindowY = INT32_MIN;
    s.WindowW = 600;
    s.WindowH = 400;
    s.LogLevel = 15;
    s.LogSize = 32768;
    s.SaveLog = 1;
    std::strcpy(s.LogName, "DAVROLIN.LOG");
    s.FirmwareVers = Firmware304;
}
