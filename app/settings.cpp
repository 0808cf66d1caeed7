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

int32_t ReadInt(const char* key, int32_t fallback)
{
    return static_cast<int32_t>(ProfileReadInt(kSettingsSection, key, fallback, settingsFile.c_str()));
}

// The field's own text is the default; it is copied first because the field is
// also where the value goes. A field longer than 512 characters keeps its text.
void ReadText(const char* key, char (&field)[kTextFieldSize])
{
    char fallback[513];
    std::size_t length = strnlen(field, kTextFieldSize);
    if (length > 512)
        return;
    std::memcpy(fallback, field, length);
    fallback[length] = '\0';
    ProfileReadString(kSettingsSection, key, fallback, field, kTextFieldSize, settingsFile.c_str());
}

// Only the exact text "3.01" selects the 3.01 layouts.
int32_t ReadFirmware(const char* key, int32_t fallback)
{
    char firmware[4096];
    ProfileReadString(kSettingsSection, key, "", firmware, sizeof firmware, settingsFile.c_str());
    return std::strcmp(firmware, "3.01") == 0 ? Firmware301 : fallback;
}

// Sets the field of `key` to its start-up value, then reads the key over it.
void ReadKey(const SettingsKey& key, SettingsRecord& s)
{
    SetStartValue(key, s);
    if (!HaveFile())
        return;
    switch (key.type) {
    case SettingsKeyType::Number:
        if (key.olderName)
            s.*key.number = ReadInt(key.olderName, s.*key.number);
        s.*key.number = ReadInt(key.name, s.*key.number);
        break;
    case SettingsKeyType::Text:
        ReadText(key.name, s.*key.text);
        break;
    case SettingsKeyType::Firmware:
        s.*key.number = ReadFirmware(key.name, s.*key.number);
        break;
    }
}

// Writes `key` when its field differs from the start-up copy: integers as
// unsigned decimal, texts compared byte for byte.
void WriteKey(const SettingsKey& key, const SettingsRecord& s, const SettingsRecord& was)
{
    if (key.type == SettingsKeyType::Text) {
        if (std::strncmp(s.*key.text, was.*key.text, kTextFieldSize) != 0)
            ProfileWriteString(kSettingsSection, key.name, s.*key.text, settingsFile.c_str());
        return;
    }
    if (s.*key.number == was.*key.number)
        return;
    char text[32];
    Format(text, sizeof text, "%u", static_cast<unsigned>(s.*key.number));
    ProfileWriteString(kSettingsSection, key.name, text, settingsFile.c_str());
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
    for (const SettingsKey& key : kSettingsKeys)
        ReadKey(key, Settings);
    startupCopy = Settings;
    return 0;
}

int SaveSettings()
{
    if (!HaveFile())
        return 0;
    for (const SettingsKey& key : kSettingsKeys)
        if (key.saving == KeySavedAtExit)
            WriteKey(key, Settings, startupCopy);
    return 0;
}

const SettingsRecord& StartupSettings()
{
    return startupCopy;
}
