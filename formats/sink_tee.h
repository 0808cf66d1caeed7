#pragma once
// Two sinks as one: every call goes to the first, then to the second, so the
// text and the export hear the same values.

#include "formats/sink.h"

class TeeSink final : public ProfileSink {
public:
    TeeSink(ProfileSink& a, ProfileSink& b) : a_(a), b_(b) { }
    void BeginProfile(uint32_t profile) override
    {
        a_.BeginProfile(profile);
        b_.BeginProfile(profile);
    }
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override
    {
        a_.ProfileTimes(sensorOn, motionStart);
        b_.ProfileTimes(sensorOn, motionStart);
    }
    void EngineeringScan(const EngineeringValues& scan) override
    {
        a_.EngineeringScan(scan);
        b_.EngineeringScan(scan);
    }
    void Stop(int32_t marker, const StopRecord& stop) override
    {
        a_.Stop(marker, stop);
        b_.Stop(marker, stop);
    }
    void CtdScan(const CtdValues& scan) override
    {
        a_.CtdScan(scan);
        b_.CtdScan(scan);
    }
    void AcmScan(const AcmValues& scan) override
    {
        a_.AcmScan(scan);
        b_.AcmScan(scan);
    }
    void SensorTimes(int32_t on, int32_t off) override
    {
        a_.SensorTimes(on, off);
        b_.SensorTimes(on, off);
    }
    void EndProfile(ProfileEnd end) override
    {
        a_.EndProfile(end);
        b_.EndProfile(end);
    }

private:
    ProfileSink& a_;
    ProfileSink& b_;
};
