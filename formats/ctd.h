#pragma once
// CTD data files C%07d.DAT: per profile any number of 9-byte scans (three u24
// counts: conductivity, temperature, pressure), an end mark of nine 0xFF
// bytes, then the sensor's on and off times (8 bytes). Counts become values
// with the constants of the CTD the deployment record marks as fitted.

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct DeploymentRecord;

constexpr int MsgCtdReadError = 192;  // "Error reading from CTD file for profile %u\r\n"

constexpr std::size_t kCtdScanSize = 9;
constexpr uint32_t kCtdEndCount = 16777215;  // every count of the end mark

// value = count / divisor - offset, for each of the three quantities.
struct CtdConstants {
    double conductivityDivisor, conductivityOffset;
    double temperatureDivisor, temperatureOffset;
    double pressureDivisor, pressureOffset;
};

// The SeaBird 41CP constants when the record marks only that CTD as fitted
// (FSI EM flag clear, SeaBird flag set); the FSI EM constants otherwise.
const CtdConstants& CtdConstantsFor(const DeploymentRecord& deployment);

// Decodes one profile (number fileBase + index) from `in`, positioned at its
// first scan. With `write` set the text goes to `out` (may be null); with it
// clear nothing is written there. The entry of the sensor time log is written
// whenever `sensorTimeLog` is given. Returns 0 (done, also when the file ended
// among the scans), 2 (cancelled) or -1 (read error, or the on and off times
// missing).
int UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                     std::FILE* sensorTimeLog);
