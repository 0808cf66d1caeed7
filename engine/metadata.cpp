#include "engine/metadata.h"

#include "engine/activity_log.h"
#include "formats/bytes.h"
#include "formats/deployment.h"
#include "formats/record.h"
#include "formats/settings_record.h"
#include "platform/platform.h"

#include <cstdio>

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
    if (const File in = OpenFile((folder + "DEPLOY.DAT").c_str(), "rb")) {
        const bool layout301 = Layout301();
        DeploymentRecord record;
        if (!ReadDeployment(in.get(), layout301, record)) {
            LogMessage(LogError, MessageId::DeployReadError);
        } else {
            Deployment = record;
            Settings.DeployOk = 1;
            if (VersionAccepted(record.version, layout301)) {
                Settings.ProfilesPerFile = record.profilesPerFileSet;
            } else {
                LogMessage(LogError, MessageId::DeployWrongVersion);
                Settings.DeployOk = 0;
                Settings.WrongVersion = 1;
            }
        }
    } else {
        LogMessage(LogError, MessageId::DeployOpenError);
        DebugTrace("ERROR - ERROR OPENING deploy.dat!\r\n");
    }

    DebugTrace("VerifyMetaData() -- Opening profiles.dat\r\n");
    if (const File in = OpenFile((folder + "PROFILES.DAT").c_str(), "rb")) {
        uint8_t bytes[4];
        if (ReadRecord(in.get(), bytes, sizeof bytes)) {
            Settings.ProfilesOk = 1;
            Settings.MaxProfile = static_cast<int32_t>(GetU32(bytes));
        } else {
            LogMessage(LogError, MessageId::ProfilesReadError);
        }
    } else {
        LogMessage(LogError, MessageId::ProfilesOpenError);
        DebugTrace("ERROR - ERROR OPENING profiles.dat!\r\n");
    }
}
