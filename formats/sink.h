#pragma once
// What the decoders hand over. A profile decoder calls its sink in the order
// it reads: BeginProfile, then the profile's records, then EndProfile, once
// per call whatever happened. Values are the exact floats and doubles the
// texts print, so every sink writes the same numbers. The text writers
// (formats/profile_text.h, deployment_text.h, irq_text.h) are sinks; so are
// the export and the tests' collecting sink. A sink overrides only what it
// needs.

#include <cstdint>
#include <span>

struct DeploymentRecord;

// One engineering scan. Firmware 3.01 scans have the first four fields only.
struct EngineeringValues {
    int32_t time;
    float current;   // [mA]
    float voltage;   // [V]
    float pressure;  // [dbar]
    float fluorometer;        // [mV] (3.04)
    int16_t fluorometerGain;  // (3.04)
    float turbidity;          // [mV] (3.04)
    int16_t turbidityGain;    // (3.04)
};

// The 12-byte record after the engineering markers -5..-1.
struct StopRecord {
    int16_t rampStatus;
    int16_t profileStatus;
    int32_t motionStopOrRestart;  // motion stopped (-1/-5) or profile restarted (-2/-3/-4)
    int32_t sensorOff;
};

// One CTD scan, converted with the constants of the CTD fitted.
struct CtdValues {
    float conductivity;  // [mmho/cm]
    float temperature;   // [degrees Celsius]
    float pressure;      // [dbar]
};

// One ACM scan: the tilts in double precision, the rest in single.
struct AcmValues {
    double tiltX, tiltY;
    float compassX, compassY, compassZ;
    float velocityAB, velocityCD, velocityEF, velocityGH;
};

// How a profile's reading ended.
enum class ProfileEnd {
    Complete,            // engineering: a closing stop record; CTD, ACM: end mark and sensor times
    FileEnded,           // the file ended inside the profile (before the CTD or ACM end mark)
    ReadError,           // the file could not be read inside the profile (ditto)
    SensorTimesMissing,  // the end mark came, the sensor times are short, missing or unreadable
    Cancelled,           // the cancel request stopped the reading
};

class ProfileSink {
public:
    virtual ~ProfileSink() = default;
    virtual void BeginProfile(uint32_t /*profile*/) {}
    // Engineering: the header, read before anything else of the profile.
    virtual void ProfileTimes(int32_t /*sensorOn*/, int32_t /*motionStart*/) {}
    virtual void EngineeringScan(const EngineeringValues&) {}
    // Engineering: a marker -5..-1 and its record.
    virtual void Stop(int32_t /*marker*/, const StopRecord&) {}
    virtual void CtdScan(const CtdValues&) {}
    virtual void AcmScan(const AcmValues&) {}
    // Scans handed over together (kept while their reading ran ahead): the
    // same as a call for each, which a sink may do in fewer steps.
    virtual void Scans(std::span<const EngineeringValues> scans)
    {
        for (const EngineeringValues& scan : scans)
            EngineeringScan(scan);
    }
    virtual void Scans(std::span<const CtdValues> scans)
    {
        for (const CtdValues& scan : scans)
            CtdScan(scan);
    }
    virtual void Scans(std::span<const AcmValues> scans)
    {
        for (const AcmValues& scan : scans)
            AcmScan(scan);
    }
    // CTD, ACM: the times that follow the end mark.
    virtual void SensorTimes(int32_t /*on*/, int32_t /*off*/) {}
    virtual void EndProfile(ProfileEnd) {}
};

// The deployment file's record, handed over once it is read in full.
class DeploymentSink {
public:
    virtual ~DeploymentSink() = default;
    virtual void Record(const DeploymentRecord&) = 0;
};

// Each whole record of the exception log.
class IrqSink {
public:
    virtual ~IrqSink() = default;
    virtual void Record(int32_t time, int16_t code) = 0;
};
