#pragma once
// The deployment file DEPLOY.DAT: the parameters the vehicle was deployed with,
// one packed big-endian record of 124 bytes under firmware 3.01 and 134 bytes
// under 3.04 (the same fields up to offset 113). Which layout is read is chosen
// by the settings, never by the file. Written as the report DEPLOY.TXT
// (formats/deployment_text.h).

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kDeployRecord301Size = 124;
constexpr std::size_t kDeployRecord304Size = 134;

// Both layouts decoded. Flags (i16) are set when nonzero. Fields the report
// does not write are kept all the same.
struct DeploymentRecord {
    bool layout301;               // which layout the fields were decoded from
    int16_t version;              // 0: 301 in 3.01 files, 304 or 303 in 3.04 files
    int16_t countdown;            // 2: start after a countdown, else at a scheduled time
    int32_t countdownDelay;       // 4: [s]
    int32_t scheduledStart;       // 8: time
    int32_t profileStartInterval; // 12: [s]
    int32_t referenceTime;        // 16: time
    int32_t burstInterval;        // 20: [s]
    int32_t perBurst;             // 24: profiles (or pairs) per burst; 1 disables bursts
    int16_t pairedProfiles;       // 28
    float shallowPressure;        // 30: [dbar]
    float deepPressure;           // 34: [dbar]
    float shallowError;           // 38: [dbar]
    float deepError;              // 42: [dbar]
    int32_t profileTimeLimit;     // 46: [s]
    int32_t stopCheckInterval;    // 50: [s]
    float fullSpeed;              // 54: [dbar/sec]
    float prThreshold;            // 58: [dbar/sec]
    int32_t prTimeThreshold;      // 62: [ms]
    int32_t sensorWarmup;         // 66: [sec]
    int32_t sensorWarmdown;       // 70: [sec]
    int16_t infiniteDeployment;   // 74
    int32_t trailingCount;        // 76: written after the report unless infinite
    int32_t profilesPerFileSet;   // 80
    float nominalEndurance;       // 84: [million meters]
    int16_t acousticTelemetry;    // 88: reported under 3.01 only
    int16_t inductiveTelemetry;   // 90
    int32_t spare92;              // 92
    int32_t transmissionDuration; // 96: [s]
    int32_t decimation;           // 100
    int16_t acousticTransponder;  // 104
    int16_t fsiEmCtd;             // 106
    int16_t seaBirdCtd;           // 108
    int16_t fsi2dAcm;             // 110
    int16_t nobskaAcm;            // 112
    int16_t fluorometer;          // 114: chlorophyll under 3.01
    int16_t fluorometerUv;        // 116 under 3.01; 0 under 3.04
    int16_t turbidity;            // 118 under 3.01, 116 under 3.04
    int32_t spare1;               // 120 under 3.01, 118 under 3.04
    int16_t spare2;               // 122 (3.04)
    int16_t spare3;               // 124 (3.04)
    int32_t spare4;               // 126 (3.04)
    int16_t spare5;               // 130 (3.04)
    int16_t spare6;               // 132 (3.04)
};

inline std::size_t DeployRecordSize(bool layout301)
{
    return layout301 ? kDeployRecord301Size : kDeployRecord304Size;
}

// True when `version` is a version word of the layout: 301 for 3.01; 304 or
// 303 for 3.04.
bool VersionAccepted(int16_t version, bool layout301);

// Decodes a whole record of the layout (DeployRecordSize bytes).
DeploymentRecord DecodeDeployment(const uint8_t* bytes, bool layout301);

// Reads one record of the configured layout from the start of `in`; false
// (and `record` untouched) when it was not read in full.
bool ReadDeployment(std::FILE* in, bool layout301, DeploymentRecord& record);

// Reads one record of the layout from `in` (at its start) and hands it to
// `sink`: Done, or ReadError (DeployReadError, nothing handed over) when it was
// not read in full.
DecodeResult DecodeDeploymentFile(std::FILE* in, bool layout301, DeploymentSink& sink, Reporter& reporter);
