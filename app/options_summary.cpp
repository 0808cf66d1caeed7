#include "app/options_summary.h"

#include "app/expanded_text.h"
#include "engine/activity_log.h"
#include "engine/file_names.h"
#include "formats/report.h"
#include "formats/settings_record.h"
#include "formats/text_format.h"

namespace {

class Summary {
public:
    Summary(int level, int details) : level_(level), details_(details != 0) {}

    std::string Build()
    {
        text_.clear();
        if (level_ > 1 && !SourcePart())
            return text_;
        if (level_ > 2 && !DestinationPart())
            return text_;
        if (level_ > 3)
            KindsPart();
        if (level_ > 5)
            LogsAndFormPart();
        return text_;
    }

private:
    void Append(int id) { text_ += ExpandedMessage(id); }
    // A message with "%s" conversions, filled with file names.
    void Append(int id, const std::string& name)
    {
        text_ += FormatString(ExpandedFormat(id).c_str(), name.c_str());
    }
    void Append(int id, const std::string& first, const std::string& last)
    {
        text_ += FormatString(ExpandedFormat(id).c_str(), first.c_str(), last.c_str());
    }

    bool Selected(int kind) const { return Settings.UnpackAll != 0 || (Settings.Options & kind) != 0; }

    // Output names carry the prefix from level 5 on.
    std::string OutputName(int kind, uint32_t profile) const
    {
        return level_ > 4 ? PrefixedTextFileName(kind, profile) : TextFileName(kind, profile);
    }

    bool SourcePart()
    {
        Append(129);
        if (Settings.SourceEntered == 0) {
            Append(134);
            return false;
        }
        if (Settings.SourceDataOk == 0) {
            Append(143);
            return false;
        }
        if (details_ && (Settings.CheckedOptions & (KindEngineering | KindCtd | KindAcm)) != 0) {
            Append(155);
            Append(135);
        }
        return true;
    }

    bool DestinationPart()
    {
        Append(130);
        if (Settings.DestinationExists == 0) {
            Append(204);
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
            Append(144);
            if (details_) {
                Append(148, DataFileName(kind, 0), DataFileName(kind, maxProfile));
                Append(150, OutputName(kind, 0), OutputName(kind, maxProfile));
            }
        } else if (Settings.ProfileRange == RangeSingleProfile) {
            Append(145);
            if (details_) {
                Append(147, DataFileName(kind, first));
                Append(149, OutputName(kind, first));
            }
        } else if (Settings.ProfileRange == RangeProfiles) {
            Append(146);
            if (details_) {
                Append(148, DataFileName(kind, first), DataFileName(kind, last));
                Append(150, OutputName(kind, first), OutputName(kind, last));
            }
        }
    }

    void LogKind(int heading, int kind)
    {
        Append(heading);
        if (details_) {
            Append(147, DataFileName(kind, 0));
            Append(149, OutputName(kind, 0));
        }
    }

    void KindsPart()
    {
        Append(137);
        if (Selected(KindEngineering)) {
            Append(138);
            RangeLines(KindEngineering);
        }
        if (Selected(KindCtd)) {
            Append(140);
            RangeLines(KindCtd);
        }
        if (Selected(KindAcm)) {
            Append(139);
            RangeLines(KindAcm);
        }
        if (Selected(KindDeployment))
            LogKind(141, KindDeployment);
        if (Selected(KindException))
            LogKind(142, KindException);
    }

    void LogsAndFormPart()
    {
        if (Selected(KindEngineering))
            Append(205);
        if (Selected(KindCtd | KindAcm))
            Append(207);
        Append(203);
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
        const std::string summary = BuildOptionsSummary(99, 0);
        LogMessage(LogInfo, 212);
        LogAppend(summary.c_str(), LogInfo);  // ready text: a % in a folder stays
        LogMessage(LogInfo, 213);
        return 0;
    } catch (...) {
        LogText(LogInfo, "An exception occurred - contact Ostrel!\r\n");
        return -1;
    }
}
