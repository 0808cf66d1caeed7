#pragma once
// Engineering data files E%07d.DAT: per profile an 8-byte header (sensors on,
// motion start), then marker words each followed by a body: a scan (12 bytes
// under firmware 3.01, 24 under 3.04) after a time stamp, or a 12-byte stop
// record after the markers -5..-1. -1 and -5 end the profile.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int32_t MarkerProfileEnd = -1;
constexpr int32_t MarkerRestarted = -2;
constexpr int32_t MarkerBacktrack = -3;
constexpr int32_t MarkerIncomplete = -4;
constexpr int32_t MarkerOperatorStop = -5;

constexpr std::size_t kEngineeringHeaderSize = 8;
constexpr std::size_t kEngineeringScan301Size = 12;
constexpr std::size_t kEngineeringScan304Size = 24;
constexpr std::size_t kStopRecordSize = 12;

// True for the markers that end a profile (-1, -5).
inline bool EndsProfile(int32_t marker)
{
    return marker == MarkerProfileEnd || marker == MarkerOperatorStop;
}

StopRecord DecodeStopRecord(const uint8_t* bytes);

// Decodes profile `profile` from `in` (positioned at its header) in the
// layout of `options` into `sink`. Returns Done (`in` at the next profile),
// Cancelled or ReadError (a short read; EngineeringReadError names the profile).
DecodeResult DecodeEngineeringProfile(std::FILE* in, uint32_t profile, const DecodeOptions& options,
                                      ProfileSink& sink, Reporter& reporter);
