// The deployment metadata check over a folder the fuzzer fills. The first byte
// chooses the layout and which of DEPLOY.DAT and PROFILES.DAT exist; the
// second how many of the following bytes are PROFILES.DAT (at most 15); the
// rest is DEPLOY.DAT. The five results must agree with the files.

#include "app/folder_checks.h"
#include "app/program_log.h"
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/metadata.h"
#include "formats/bytes.h"
#include "formats/deployment.h"
#include "fuzz/fuzz_support.h"

#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    static const bool entered = chdir(ScratchDir().c_str()) == 0;
    FUZZ_CHECK(entered);
    ResetFuzzLog();
    const uint8_t mode = data[0];
    Settings.FirmwareVers = (mode & 1) ? Firmware304 : Firmware301;
    const bool haveDeploy = (mode & 2) == 0;
    const bool haveProfiles = (mode & 4) == 0;
    const std::size_t profilesSize = data[1] & 15;
    data += 2;
    size -= 2;
    if (profilesSize > size)
        return 0;
    const uint8_t* deploy = data + profilesSize;
    const std::size_t deploySize = size - profilesSize;

    unlink("DEPLOY.DAT");
    unlink("PROFILES.DAT");
    if (haveDeploy)
        WriteScratchFile("DEPLOY.DAT", deploy, deploySize);
    if (haveProfiles)
        WriteScratchFile("PROFILES.DAT", data, profilesSize);
    Settings.WrongVersion = Settings.DeployOk = Settings.ProfilesOk = 7;
    Settings.ProfilesPerFile = Settings.MaxProfile = 7;
    TakeMetadata(CheckMetadata("", Settings.FirmwareVers == Firmware301, ProgramReporter()));
    const std::string log = LogTake();

    std::string expected;
    const bool layout301 = Settings.FirmwareVers == Firmware301;
    const bool deployRead = haveDeploy && deploySize >= DeployRecordSize(layout301);
    if (!haveDeploy) {
        expected += "Error opening the deployment file DEPLOY.DAT\r\n";
    } else if (!deployRead) {
        expected += "Error reading from deployment file DEPLOY.DAT\r\n";
    }
    bool accepted = false;
    if (deployRead) {
        const DeploymentRecord record = DecodeDeployment(deploy, layout301);
        accepted = VersionAccepted(record.version, layout301);
        FUZZ_CHECK(Settings.ProfilesPerFile == (accepted ? record.profilesPerFileSet : 0));
        if (!accepted)
            FUZZ_CHECK(log.rfind("Wrong version of DEPLOY.DAT detected.\r\n", 0) == 0);
    } else {
        FUZZ_CHECK(Settings.ProfilesPerFile == 0);
    }
    FUZZ_CHECK(Settings.DeployOk == (accepted ? 1 : 0));
    FUZZ_CHECK(Settings.WrongVersion == (deployRead && !accepted ? 1 : 0));
    if (!deployRead)
        FUZZ_CHECK(log.rfind(expected, 0) == 0);

    const bool profilesRead = haveProfiles && profilesSize >= 4;
    FUZZ_CHECK(Settings.ProfilesOk == (profilesRead ? 1 : 0));
    FUZZ_CHECK(Settings.MaxProfile == (profilesRead ? static_cast<int32_t>(GetU32(data)) : 0));
    const char* profilesMessage = !haveProfiles   ? "Error opening PROFILE.DAT\r\n"
                                  : !profilesRead ? "Error reading PROFILE.DAT\r\n"
                                                  : "";
    const std::string tail = profilesMessage;
    FUZZ_CHECK(log.size() >= tail.size() && log.compare(log.size() - tail.size(), tail.size(), tail) == 0);
    return 0;
}
