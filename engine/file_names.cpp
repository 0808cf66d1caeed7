#include "engine/file_names.h"

#include "formats/run_choices.h"
#include "formats/text_format.h"

char KindLetter(int kind)
{
    switch (kind) {
    case KindEngineering: return 'E';
    case KindCtd: return 'C';
    case KindAcm: return 'A';
    default: return 0;
    }
}

uint32_t FileBase(uint32_t profile, uint32_t profilesPerFile)
{
    return profilesPerFile == 0 ? profile : profile / profilesPerFile * profilesPerFile;
}

// The input (`input` set) or output name of `kind` after `prefix`, with
// `number` for the profile kinds.
static std::string KindFileName(const char* prefix, int kind, uint32_t number, bool input)
{
    if (char letter = KindLetter(kind))
        return FormatString("%s%c%07u.%s", prefix, letter, number, input ? "DAT" : "TXT");
    if (kind == KindDeployment)
        return FormatString("%sDEPLOY.%s", prefix, input ? "DAT" : "TXT");
    if (kind == KindException)
        return FormatString("%sIRQ_XCPT.%s", prefix, input ? "LOG" : "TXT");
    return std::string();
}

std::string DataFileName(int kind, uint32_t profile, uint32_t profilesPerFile)
{
    uint32_t base = FileBase(profile, profilesPerFile);
    return KindFileName("", kind, base, true);
}

std::string TextFileName(int kind, uint32_t profile)
{
    return KindFileName("", kind, profile, false);
}

std::string PrefixedTextFileName(const std::string& prefix, int kind, uint32_t profile)
{
    return KindFileName(prefix.c_str(), kind, profile, false);
}
