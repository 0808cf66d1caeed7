#pragma once
// ACM data files A%07d.DAT: per profile any number of 18-byte scans (nine u16
// counts: tilt TX TY, compass HX HY HZ, path velocities VPAB VPCD VPEF VPGH),
// an end mark of eighteen 0xFF bytes, then the meter's on and off times.

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int MsgAcmReadError = 188;  // "Error reading from ACM file for profile %u\r\n"

constexpr std::size_t kAcmScanSize = 18;
constexpr uint16_t kAcmEndWord = 65535;  // every word of the end mark

// Decodes one profile (number fileBase + index) from `in`, positioned at its
// first scan. With `write` set the text goes to `out` (may be null); with it
// clear nothing is written there. The entry of the sensor time log is written
// whenever `sensorTimeLog` is given. Returns 0 (done), 2 (cancelled) or -1
// (the file ended or could not be read before the profile's end).
int UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                     std::FILE* sensorTimeLog);
