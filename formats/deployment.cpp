#include "formats/deployment.h"

#include "formats/bytes.h"
#include "formats/record.h"

DeploymentRecord DecodeDeployment(const uint8_t* b, bool layout301)
{
    DeploymentRecord r{};
    r.layout301 = layout301;
    r.version = GetI16(b + 0);
    r.countdown = GetI16(b + 2);
    r.countdownDelay = GetI32(b + 4);
    r.scheduledStart = GetTime(b + 8);
    r.profileStartInterval = GetI32(b + 12);
    r.referenceTime = GetTime(b + 16);
    r.burstInterval = GetI32(b + 20);
    r.perBurst = GetI32(b + 24);
    r.pairedProfiles = GetI16(b + 28);
    r.shallowPressure = GetF32(b + 30);
    r.deepPressure = GetF32(b + 34);
    r.shallowError = GetF32(b + 38);
    r.deepError = GetF32(b + 42);
    r.profileTimeLimit = GetI32(b + 46);
    r.stopCheckInterval = GetI32(b + 50);
    r.fullSpeed = GetF32(b + 54);
    r.prThreshold = GetF32(b + 58);
    r.prTimeThreshold = GetI32(b + 62);
    r.sensorWarmup = GetI32(b + 66);
    r.sensorWarmdown = GetI32(b + 70);
    r.infiniteDeployment = GetI16(b + 74);
    r.trailingCount = GetI32(b + 76);
    r.profilesPerFileSet = GetI32(b + 80);
    r.nominalEndurance = GetF32(b + 84);
    r.acousticTelemetry = GetI16(b + 88);
    r.inductiveTelemetry = GetI16(b + 90);
    r.spare92 = GetI32(b + 92);
    r.transmissionDuration = GetI32(b + 96);
    r.decimation = GetI32(b + 100);
    r.acousticTransponder = GetI16(b + 104);
    r.fsiEmCtd = GetI16(b + 106);
    r.seaBirdCtd = GetI16(b + 108);
    r.fsi2dAcm = GetI16(b + 110);
    r.nobskaAcm = GetI16(b + 112);
    r.fluorometer = GetI16(b + 114);
    if (layout301) {
        r.fluorometerUv = GetI16(b + 116);
        r.turbidity = GetI16(b + 118);
        r.spare1 = GetI32(b + 120);
    } else {
        r.turbidity = GetI16(b + 116);
        r.spare1 = GetI32(b + 118);
        r.spare2 = GetI16(b + 122);
        r.spare3 = GetI16(b + 124);
        r.spare4 = GetI32(b + 126);
        r.spare5 = GetI16(b + 130);
        r.spare6 = GetI16(b + 132);
    }
    return r;
}

bool VersionAccepted(int16_t version, bool layout301)
{
    return layout301 ? version == 301 : version == 304 || version == 303;
}

bool ReadDeployment(std::FILE* in, bool layout301, DeploymentRecord& record)
{
    uint8_t bytes[kDeployRecord304Size];
    if (!ReadRecord(in, bytes, DeployRecordSize(layout301)))
        return false;
    record = DecodeDeployment(bytes, layout301);
    return true;
}

DecodeResult DecodeDeploymentFile(std::FILE* in, bool layout301, DeploymentSink& sink, Reporter& reporter)
{
    DeploymentRecord record;
    if (!ReadDeployment(in, layout301, record)) {
        reporter.Report(LogError, MessageId::DeployReadError);
        return DecodeResult::ReadError;
    }
    sink.Record(record);
    return DecodeResult::Done;
}
