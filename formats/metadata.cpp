#include "formats/metadata.h"

#include "formats/bytes.h"
#include "formats/deployment.h"
#include "formats/record.h"
#include "formats/report.h"
#include "formats/settings_record.h"
#include "platform/platform.h"

#include <cstdio>

bool VersionAccepted(int16_t version, bool layout301)
{
    return layout301 ? version == 301 : version == 304 || version == 303;
}

void VerifyMetaData()
{
    VerifyMetaDataIn("");
}

void VerifyMetaDataIn(const std::string& folder)
{
    Settings.WrongVersion = 0;
    Settings.DeployOk = 0;
    Settings.ProfilesOk = 0;
    Settings.ProfilesPerFile = 0;
    Settings.MaxProfile = 0;
    // A record of an earlier folder must not decide this folder's CTD constants.
    Deployment = DeploymentRecord{};

    DebugTrace("VerifyMetaData() -- Opening deploy.dat\r\n");
    if (std::FILE* in = OpenFile((folder + "DEPLOY.DAT").c_str(), "rb")) {
        const bool layout301 = Layout301();
        DeploymentRecord record;
        if (!ReadDeployment(in, layout301, record)) {
            LogMessage(LogError, MsgDeployReadError);
        } else {
            Deployment = record;
            Settings.DeployOk = 1;
            if (VersionAccepted(record.version, layout301)) {
                Settings.ProfilesPerFile = record.profilesPerFileSet;
            } else {
                LogMessage(LogError, MsgWrongVersion);
                Settings.DeployOk = 0;
                Settings.WrongVersion = 1;
            }
        }
        std::fclose(in);
    } else {
        LogMessage(LogError, MsgDeployOpenError);
        DebugTrace("ERROR - ERROR OPENING deploy.dat!\r\n");
    }

    DebugTrace("VerifyMetaData() -- Opening profiles.dat\r\n");
    if (std::FILE* in = OpenFile((folder + "PROFILES.DAT").c_str(), "rb")) {
        uint8_t bytes[4];
        if (ReadRecord(in, bytes, sizeof bytes)) {
            Settings.ProfilesOk = 1;
            Settings.MaxProfile = static_cast<int32_t>(GetU32(bytes));
        } else {
            LogMessage(LogError, MsgProfilesReadError);
        }
        std::fclose(in);
    } else {
        LogMessage(LogError, MsgProfilesOpenError);
        DebugTrace("ERROR - ERROR OPENING profiles.dat!\r\n");
    }
}
