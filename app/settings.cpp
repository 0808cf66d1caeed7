#include "app/settings.h"

#include "formats/text_format.h"
#include "platform/private_profile.h"

#include <cstring>
#include <string>

namespace {

std::string settingsFile =
#if defined(_WIN32)
    kSettingsFileName;
#else
    "";
#endif

SettingsRecord startupCopy = [] {
    SettingsRecord s;
    SetDefaultSettings(s);
    return s;
}();

bool HaveFile()
{
    return !settingsFile.empty();
}

void ReadInt(const char* key, int32_t& field, int32_t startValue)
{
    field = startValue;
    if (HaveFile())
        field = static_cast<int32_t>(ProfileReadInt(kSettingsSection, key, field, settingsFile.c_str()));
}

// The field's own text is the default; it is copied first because the field is
// also where the value goes. A field longer than 512 characters keeps its text.
void ReadText(const char* key, char (&field)[kTextFieldSize], const char* startValue)
{
    std::strncpy(field, startValue, kTextFieldSize - 1);
    field[kTextFieldSize - 1] = '\0';
    if (!HaveFile())
        return;
    char fallback[513];
    std::size_t length = strnlen(field, kTextFieldSize);
    if (length > 512)
        return;
    std::memcpy(fallback, field, length);
    fallback[length] = '\0';
    ProfileReadString(kSettingsSection, key, fallback, field, kTextFieldSize, settingsFile.c_str());
}

void WriteInt(const char* key, int32_t value, int32_t startValue)
{
    if (value == startValue)
        return;
    char text[32];
    Format(text, sizeof text, "%u", static_cast<unsigned>(value));
    ProfileWriteString(kSettingsSection, key, text, settingsFile.c_str());
}

void WriteText(const char* key, const char* value, const char* startValue)
{
    if (std::strncmp(value, startValue, kTextFieldSize) == 0)
        return;
    ProfileWriteString(kSettingsSection, key, value, settingsFile.c_str());
}

}  // namespace

void SetSettingsFilePath(const char* path)
{
    settingsFile = path ? path : "";
}

const char* SettingsFilePath()
{
    return settingsFile.c_str();
}

int LoadSettings()
{
    SettingsRecord& s = Settings;
    ReadInt("HideAnimation", s.HideAnimation, 0);
    ReadInt("SkipToPreview", s.SkipToPreview, 0);
    ReadInt("WindowX", s.WindowX, INT32_MIN);
    ReadInt("WindowY", s.WindowY, INT32_MIN);
    ReadInt("WindowW", s.WindowW, 600);
    ReadInt("WindowH", s.WindowH, 400);
    ReadInt("LogLevel", s.LogLevel, 15);
    ReadInt("LogSize", s.LogSize, 32768);
    // Saving the log has no key of its own in older files: a LogSize entry of 0
    // switches it off, any other switches it on. A SaveLog key, when present,
    // has the last word.
    ReadInt("LogSize", s.SaveLog, 1);
    ReadInt("SaveLog", s.SaveLog, s.SaveLog);
    ReadText("LogName", s.LogName, "DAVROLIN.LOG");
    ReadText("SrcDir", s.SrcDir, "C:\\VXP");
    ReadText("DstDir", s.DstDir, "C:\\VXP");
    ReadInt("UnpackAll", s.UnpackAll, 1);
    ReadInt("Options", s.Options, 0);
    ReadInt("ProfileRange", s.ProfileRange, RangeEntireDeployment);
    ReadInt("FirstProfile", s.FirstProfile, 0);
    ReadInt("LastProfile", s.LastProfile, 0);
    ReadText("Prefix", s.Prefix, "");
    ReadInt("HumanReadible", s.HumanReadible, 0);

    // Only the exact text "3.01" selects the 3.01 layouts.
    s.FirmwareVers = Firmware304;
    if (HaveFile()) {
        char firmware[4096];
        ProfileReadString(kSettingsSection, "FirmwareVers", "", firmware, sizeof firmware, settingsFile.c_str());
        if (std::strcmp(firmware, "3.01") == 0)
            s.FirmwareVers = Firmware301;
    }

    startupCopy = s;
    return 0;
}

int SaveSettings()
{
    if (!HaveFile())
        return 0;
    const SettingsRecord& s = Settings;
    const SettingsRecord& was = startupCopy;
    WriteInt("WindowX", s.WindowX, was.WindowX);
    WriteInt("WindowY", s.WindowY, was.WindowY);
    WriteInt("WindowW", s.WindowW, was.WindowW);
    WriteInt("WindowH", s.WindowH, was.WindowH);
    WriteText("SrcDir", s.SrcDir, was.SrcDir);
    WriteText("DstDir", s.DstDir, was.DstDir);
    WriteInt("UnpackAll", s.UnpackAll, was.UnpackAll);
    WriteInt("Options", s.Options, was.Options);
    WriteInt("ProfileRange", s.ProfileRange, was.ProfileRange);
    WriteInt("FirstProfile", s.FirstProfile, was.FirstProfile);
    WriteInt("LastProfile", s.LastProfile, was.LastProfile);
    WriteText("Prefix", s.Prefix, was.Prefix);
    WriteInt("HumanReadible", s.HumanReadible, was.HumanReadible);
    return 0;
}

const SettingsRecord& StartupSettings()
{
    return startupCopy;
}
