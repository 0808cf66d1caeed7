#include "engine/metadata.h"

#include "formats/bytes.h"
#include "formats/record.h"
#include "platform/platform.h"

#include <cstdio>

FolderMetadata CheckMetadata(const std::string& folder, bool layout301, Reporter& reporter)
{
    FolderMetadata m;
    DebugTrace("VerifyMetaData() -- Opening deploy.dat\r\n");
    if (const File in = OpenFile((folder + "DEPLOY.DAT").c_str(), "rb")) {
        DeploymentRecord record;
        if (!ReadDeployment(in.get(), layout301, record)) {
            reporter.Report(LogError, MessageId::DeployReadError);
        } else {
            m.deployment = record;
            m.deployOk = true;
            if (VersionAccepted(record.version, layout301)) {
                m.profilesPerFile = static_cast<uint32_t>(record.profilesPerFileSet);
            } else {
                reporter.Report(LogError, MessageId::DeployWrongVersion);
                m.deployOk = false;
                m.wrongVersion = true;
            }
        }
    } else {
        reporter.Report(LogError, MessageId::DeployOpenError);
        DebugTrace("ERROR - ERROR OPENING deploy.dat!\r\n");
    }

    DebugTrace("VerifyMetaData() -- Opening profiles.dat\r\n");
    if (const File in = OpenFile((folder + "PROFILES.DAT").c_str(), "rb")) {
        uint8_t bytes[4];
        if (ReadRecord(in.get(), bytes, sizeof bytes)) {
            m.profilesOk = true;
            m.maxProfile = GetU32(bytes);
        } else {
            reporter.Report(LogError, MessageId::ProfilesReadError);
        }
    } else {
        reporter.Report(LogError, MessageId::ProfilesOpenError);
        DebugTrace("ERROR - ERROR OPENING profiles.dat!\r\n");
    }
    return m;
}
