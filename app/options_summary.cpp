#include "app/options_summary.h"

#include "app/expanded_text.h"
#include "app/export_choice.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/file_names.h"
#include "formats/text_format.h"

namespace {

class Summary {
public:
    Summary(int level, int details) : level_(level), details_(details != 0) {}

    std::string Build()
    {
        text_.clear();
        if (level_ >= SummarySourceFolder && !SourcePart())
            return text_;
        if (level_ >= SummaryDestinationFolder && !DestinationPart())
            return text_;
        if (level_ >= SummaryKinds)
            KindsPart();
        if (level_ >= SummaryComplete)
            LogsAndFormPart();
        return text_;
    }

private:
    void Append(MessageId id) { text_ += ExpandedMessage(id); }
    // A message with "%s" conversions, filled with file names.
    void Append(MessageId id, const std::string& name)
    {
        text_ += FormatString(ExpandedFormat(id).c_str(), name.c_str());
    }
    void Append(MessageId id, const std::string& first, const std::string& last)
    {
        text_ += FormatString(ExpandedFormat(id).c_str(), first.c_str(), last.c_str());
    }

    bool Selected(int kind) const { return Settings.UnpackAll != 0 || (Settings.Options & kind) != 0; }

    static std::string InputName(int kind, uint32_t profile)
    {
        return DataFileName(kind, profile, static_cast<uint32_t>(Settings.ProfilesPerFile));
    }

    // Output names carry the prefix from level 5 on.
    std::string OutputName(int kind, uint32_t profile) const
    {
        return level_ >= SummaryPrefixedNames ? PrefixedTextFileName(Settings.Prefix, kind, profile) : TextFileName(kind, profile);
    }

    bool SourcePart()
    {
        Append(MessageId::SummarySource);
        if (Settings.SourceEntered == 0) {
            Append(MessageId::SummarySourceNotFound);
            return false;
        }
        if (Settings.SourceDataOk == 0) {
            Append(MessageId::SummaryNoProfilesFile);
            return false;
        }
        if (details_ && (Settings.CheckedOptions & (KindEngineering | KindCtd | KindAcm)) != 0) {
            Append(MessageId::SummaryProfilesPerFile);
            Append(MessageId::SummaryDeploymentCount);
        }
        return true;
    }

    bool DestinationPart()
    {
        Append(MessageId::SummaryDestination);
        if (Settings.DestinationExists == 0) {
            Append(MessageId::SummaryDestinationNotFound);
            return false;
        }
        return true;
    }

    void RangeLines(int kind)
    {
        const uint32_t first = static_cast<uint32_t>(Settings.FirstProfile);
        const uint32_t last = static_cast<uint32_t>(Settings.LastProfile);
        const uint32_t maxProfile = static_cast<uint32_t>(Settings.MaxProfile);
        if (Settings.UnpackAll != 0 || Settings.ProfileRange == RangeEntireDeployment) {
            Append(MessageId::SummaryEntireDeployment);
            if (details_) {
                Append(MessageId::SummaryInputFiles, InputName(kind, 0), InputName(kind, maxProfile));
                Append(MessageId::SummaryOutputFiles, OutputName(kind, 0), OutputName(kind, maxProfile));
            }
        } else if (Settings.ProfileRange == RangeSingleProfile) {
            Append(MessageId::SummarySingleProfile);
            if (details_) {
                Append(MessageId::SummaryInputFile, InputName(kind, first));
                Append(MessageId::SummaryOutputFile, OutputName(kind, first));
            }
        } else if (Settings.ProfileRange == RangeProfiles) {
            Append(MessageId::SummaryProfileRange);
            if (details_) {
                Append(MessageId::SummaryInputFiles, InputName(kind, first), InputName(kind, last));
                Append(MessageId::SummaryOutputFiles, OutputName(kind, first), OutputName(kind, last));
            }
        }
    }

    void LogKind(MessageId heading, int kind)
    {
        Append(heading);
        if (details_) {
            Append(MessageId::SummaryInputFile, InputName(kind, 0));
            Append(MessageId::SummaryOutputFile, OutputName(kind, 0));
        }
    }

    void KindsPart()
    {
        Append(MessageId::SummaryFilesToUnpack);
        if (Selected(KindEngineering)) {
            Append(MessageId::SummaryEngineeringFiles);
            RangeLines(KindEngineering);
        }
        if (Selected(KindCtd)) {
            Append(MessageId::SummaryCtdFiles);
            RangeLines(KindCtd);
        }
        if (Selected(KindAcm)) {
            Append(MessageId::SummaryAcmFiles);
            RangeLines(KindAcm);
        }
        if (Selected(KindDeployment))
            LogKind(MessageId::SummaryDeploymentLog, KindDeployment);
        if (Selected(KindException))
            LogKind(MessageId::SummaryExceptionLog, KindException);
    }

    void LogsAndFormPart()
    {
        if (Selected(KindEngineering))
            Append(MessageId::SummaryTerminationLog);
        if (Selected(KindCtd | KindAcm))
            Append(MessageId::SummarySensorTimeLog);
        Append(MessageId::SummaryForm);
        const std::vector<std::string> exportFiles = ExportFilesOf(Settings);
        if (exportFiles.empty())
            return;
        Append(MessageId::SummaryExportFiles);
        for (const std::string& name : exportFiles)
            Append(MessageId::SummaryExportFile, name);
    }

    int level_;
    bool details_;
    std::string text_;
};

}  // namespace

std::string BuildOptionsSummary(int level, int details)
{
    return Summary(level, details).Build();
}

int LogOptionsSummary()
{
    try {
        const std::string summary = BuildOptionsSummary(SummaryForLog, 0);
        LogMessage(LogInfo, MessageId::LogSettingsHeading);
        LogAppend(summary.c_str(), LogInfo);  // ready text: a % in a folder stays
        LogMessage(LogInfo, MessageId::LogActivityHeading);
        return 0;
    } catch (...) {
        LogText(LogInfo, "An exception occurred - contact Ostrel!\r\n");
        return -1;
    }
}
