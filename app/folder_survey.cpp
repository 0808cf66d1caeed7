#include "app/folder_survey.h"

#include "app/expanded_text.h"
#include "app/folder_checks.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/messages.h"
#include "engine/metadata.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "platform/platform.h"

#include <cstdarg>
#include <cstdint>

namespace {

// Appends message `id`, expanded and formatted with the arguments.
void AppendMessage(std::string& text, MessageId id, ...)
{
    char expanded[kMessageBufferSize];
    ExpandMessageAsFormat(CurrentModule(), id, expanded, sizeof expanded);
    va_list args;
    va_start(args, id);
    text += FormatStringV(FormatDialect::Wsprintf, expanded, args);
    va_end(args);
}

void AppendFileLine(std::string& text, const char* name)
{
    FileInfo info = GetFileInfo(name);
    if (info.exists)
        AppendMessage(text, MessageId::SurveyFileCreated, name, FileDateText(info.lastWriteUtc).c_str());
    else
        AppendMessage(text, MessageId::SurveyFileNotFound, name);
}

// The line of one profile kind: the first and the last data file are looked up.
void AppendKindLine(std::string& text, char letter, MessageId foundId, MessageId missingId)
{
    const uint32_t maxProfile = static_cast<uint32_t>(Settings.MaxProfile);
    const uint32_t ppf = static_cast<uint32_t>(Settings.ProfilesPerFile);
    const uint32_t last = ppf == 0 ? maxProfile : ppf * (maxProfile / ppf);
    char firstName[32], lastName[32];
    Format(firstName, sizeof firstName, "%c%07u.dat", letter, 0u);
    Format(lastName, sizeof lastName, "%c%07u.dat", letter, last);
    FileInfo first = GetFileInfo(firstName);
    FileInfo lastFile = GetFileInfo(lastName);
    if (first.exists && lastFile.exists)
        AppendMessage(text, foundId, static_cast<int>(maxProfile + 1), 0, static_cast<int>(last),
                      FileDateText(first.lastWriteUtc).c_str(), FileDateText(lastFile.lastWriteUtc).c_str());
    else
        AppendMessage(text, missingId);
}

}  // namespace

std::string FileDateText(long long lastWriteUtc)
{
    CivilTime t = BreakDownTime64(lastWriteUtc);
    return FormatString("%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year, t.hour, t.minute, t.second);
}

std::string FolderSurveyText(const char* folder)
{
    const int32_t deployOk = Settings.DeployOk, profilesOk = Settings.ProfilesOk;
    const int32_t ppf = Settings.ProfilesPerFile, maxProfile = Settings.MaxProfile;

    std::string text;
    if (!SetCurrentDir(folder)) {
        AppendMessage(text, MessageId::SurveyNoDeployment);
    } else {
        TakeMetadata(CheckMetadata("", Settings.FirmwareVers == Firmware301, ProgramReporter()));
        if (!Settings.DeployOk) {
            AppendMessage(text, MessageId::SurveyNoDeployment);
        } else {
            AppendMessage(text, MessageId::SurveyProfileCount);
            AppendFileLine(text, "deploy.dat");
            AppendFileLine(text, "profiles.dat");
            AppendKindLine(text, 'E', MessageId::SurveyEngineeringFiles, MessageId::SurveyNoEngineeringFiles);
            AppendKindLine(text, 'A', MessageId::SurveyAcmFiles, MessageId::SurveyNoAcmFiles);
            AppendKindLine(text, 'C', MessageId::SurveyCtdFiles, MessageId::SurveyNoCtdFiles);
            AppendFileLine(text, "irq_xcpt.log");
        }
    }

    Settings.DeployOk = deployOk;
    Settings.ProfilesOk = profilesOk;
    Settings.ProfilesPerFile = ppf;
    Settings.MaxProfile = maxProfile;
    if (text.size() >= kSurveyTextSize)
        text.resize(kSurveyTextSize - 1);
    return text;
}
