// The settings file reader and writer. The fuzzer's bytes are the settings
// file, garbage and all; after LoadSettings every text field must be a proper
// text of at most 255 characters and the firmware code 0 or 1. Then a few user
// fields change and SaveSettings writes them back into that same file: a
// second LoadSettings must read exactly the values written.

#include "app/settings.h"
#include "app/settings_record.h"
#include "fuzz/fuzz_support.h"
#include "platform/private_profile.h"

#include <cstring>
#include <string>

namespace {

bool ProperText(const char (&field)[kTextFieldSize])
{
    return strnlen(field, kTextFieldSize) < kTextFieldSize;
}

// A text that a settings file keeps as it is: no line breaks, no blanks or
// quotes at its ends.
void SafeText(char (&field)[kTextFieldSize], const uint8_t* data, std::size_t size)
{
    static const char kChars[] = "ABCxyz019_-.:\\/%{}$";
    std::size_t n = size < kTextFieldSize - 1 ? size : kTextFieldSize - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = kChars[data[i] % (sizeof kChars - 1)];
    field[n] = '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string path = WriteScratchFile("VXPDavrolin.INI", data, size);
    SetSettingsFilePath(path.c_str());
    SetDefaultSettings(Settings);
    FUZZ_CHECK(LoadSettings() == 0);
    FUZZ_CHECK(ProperText(Settings.SrcDir) && ProperText(Settings.DstDir));
    FUZZ_CHECK(ProperText(Settings.Prefix) && ProperText(Settings.LogName));
    FUZZ_CHECK(Settings.FirmwareVers == Firmware301 || Settings.FirmwareVers == Firmware304);

    // Change some user fields, derived from the input itself.
    uint32_t seed = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        seed = (seed ^ data[i]) * 16777619u;
    Settings.WindowX = static_cast<int32_t>(seed);
    Settings.Options = static_cast<int32_t>(seed >> 3) & 31;
    Settings.LastProfile = static_cast<int32_t>(seed * 7u);
    Settings.HumanReadible = !Settings.HumanReadible;
    SafeText(Settings.Prefix, data, size % 40);
    SafeText(Settings.DstDir, data + size / 2, (size - size / 2) % 300);
    const SettingsRecord written = Settings;
    FUZZ_CHECK(SaveSettings() == 0);

    SetDefaultSettings(Settings);
    FUZZ_CHECK(LoadSettings() == 0);
    FUZZ_CHECK(Settings.WindowX == written.WindowX);
    FUZZ_CHECK(Settings.Options == written.Options);
    FUZZ_CHECK(Settings.LastProfile == written.LastProfile);
    FUZZ_CHECK(Settings.HumanReadible == written.HumanReadible);
    FUZZ_CHECK(std::strcmp(Settings.Prefix, written.Prefix) == 0);
    FUZZ_CHECK(std::strcmp(Settings.DstDir, written.DstDir) == 0);

    // Any section and key, any buffer size: never past the buffer.
    char out[64];
    const std::size_t room = 1 + size % sizeof out;
    std::memset(out, 'x', sizeof out);
    const int n = ProfileReadString("configuration", "prefix", "default", out, static_cast<int>(room), path.c_str());
    FUZZ_CHECK(n >= 0 && static_cast<std::size_t>(n) < room && out[n] == '\0');
    for (std::size_t i = room; i < sizeof out; ++i)
        FUZZ_CHECK(out[i] == 'x');
    return 0;
}
