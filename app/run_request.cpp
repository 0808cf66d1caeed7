#include "app/run_request.h"

RunRequest RunRequestFromSettings(const SettingsRecord& s)
{
    RunRequest r;
    r.kinds = s.UnpackAll != 0 ? KindAll : s.Options;
    r.range = s.UnpackAll != 0 ? RangeEntireDeployment : static_cast<RangeMode>(s.ProfileRange);
    r.first = static_cast<uint32_t>(s.FirstProfile);
    r.last = static_cast<uint32_t>(s.LastProfile);
    r.source = s.SrcDir;
    r.destination = s.DstDir;
    r.prefix = s.Prefix;
    r.firmware = s.FirmwareVers == Firmware301 ? Firmware301 : Firmware304;
    r.human = s.HumanReadible != 0;
    return r;
}

MessageValues SettingsMessageValues(const SettingsRecord& s)
{
    MessageValues v;
    v.source = s.SrcDir;
    v.destination = s.DstDir;
    v.prefix = s.Prefix;
    v.range = s.ProfileRange;
    v.first = s.UnpackAll ? 0 : s.FirstProfile;
    v.last = s.UnpackAll ? s.MaxProfile : s.LastProfile;
    v.human = s.HumanReadible != 0;
    v.profilesPerFile = s.ProfilesPerFile;
    v.profileCount = static_cast<int>(static_cast<unsigned>(s.MaxProfile) + 1u);
    v.maxProfile = s.MaxProfile;
    v.fileCount = s.FileCount;
    v.layout301 = s.FirmwareVers == Firmware301;
    return v;
}

UnpackJob& TheUnpackJob()
{
    static UnpackJob job;
    return job;
}

int StartSettingsRun()
{
    return TheUnpackJob().Start(RunRequestFromSettings(Settings));
}
