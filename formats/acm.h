#pragma once
// ACM data files A%07d.DAT: per profile any number of 18-byte scans (nine u16
// counts: tilt TX TY, compass HX HY HZ, path velocities VPAB VPCD VPEF VPGH),
// an end mark of eighteen 0xFF bytes, then the meter's on and off times.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kAcmScanSize = 18;
constexpr uint16_t kAcmEndWord = 65535;  // every word of the end mark

// Decodes profile `profile` from `in`, positioned at its first scan, into
// `sink`. Returns Done, Cancelled or ReadError (the file ended or could not be
// read before the profile's end; AcmReadError names the profile).
DecodeResult DecodeAcmProfile(std::FILE* in, uint32_t profile, const DecodeOptions& options, ProfileSink& sink,
                              Reporter& reporter);
