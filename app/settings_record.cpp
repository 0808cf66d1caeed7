#include "app/settings_record.h"

#include <cstring>

SettingsRecord Settings = [] {
    SettingsRecord s;
    SetDefaultSettings(s);
    return s;
}();

void SetStartValue(const SettingsKey& key, SettingsRecord& s)
{
    if (key.type == SettingsKeyType::Text) {
        // strncpy also clears the rest of the field.
        std::strncpy(s.*key.text, key.textStart, kTextFieldSize - 1);
        (s.*key.text)[kTextFieldSize - 1] = '\0';
    } else {
        s.*key.number = key.numberStart;
    }
}

void SetDefaultSettings(SettingsRecord& s)
{
    std::memset(&s, 0, sizeof s);
    for (const SettingsKey& key : kSettingsKeys)
        SetStartValue(key, s);
}
