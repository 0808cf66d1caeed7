#pragma once
// Engineering data files E%07d.DAT: per profile an 8-byte header (sensors on,
// motion start), then marker words each followed by a body: a scan (12 bytes
// under firmware 3.01, 24 under 3.04) after a time stamp, or a 12-byte stop
// record after the markers -5..-1. -1 and -5 end the profile.

#include <cstdint>
#include <cstdio>

constexpr int MsgEngineeringReadError = 184;  // "Error reading from engineering file for profile %u\r\n"

constexpr int32_t MarkerProfileEnd = -1;
constexpr int32_t MarkerRestarted = -2;
constexpr int32_t MarkerBacktrack = -3;
constexpr int32_t MarkerIncomplete = -4;
constexpr int32_t MarkerOperatorStop = -5;

constexpr std::size_t kEngineeringHeaderSize = 8;
constexpr std::size_t kEngineeringScan301Size = 12;
constexpr std::size_t kEngineeringScan304Size = 24;
constexpr std::size_t kStopRecordSize = 12;

struct StopRecord {
    int16_t rampStatus;
    int16_t profileStatus;
    int32_t motionStopOrRestart;  // motion stopped (-1/-5) or profile restarted (-2/-3/-4)
    int32_t sensorOff;
};

StopRecord DecodeStopRecord(const uint8_t* bytes);

// Decodes one profile from `in` (positioned at its header). With `write` set
// the text goes to `out` and the termination row to `terminationLog` (either
// may be null); with it clear nothing is written anywhere.
// Returns 0 (done, `in` at the next profile), 2 (cancelled) or -1 (short read).
int UnpackEngineeringProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write,
                             std::FILE* terminationLog);

// The human-form notes of one stop record; nothing in machine form.
void WriteStopNotes(std::FILE* out, int32_t marker, const StopRecord& stop);
