#pragma once
// CTD data files C%07d.DAT: per profile any number of 9-byte scans (three u24
// counts: conductivity, temperature, pressure), an end mark of nine 0xFF
// bytes, then the sensor's on and off times (8 bytes). Counts become values
// with the constants of the CTD the deployment record marks as fitted.

#include "formats/decoder.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct DeploymentRecord;

constexpr std::size_t kCtdScanSize = 9;
constexpr uint32_t kCtdEndCount = 16777215;  // every count of the end mark

// The SeaBird 41CP constants when the record marks only that CTD as fitted
// (FSI EM flag clear, SeaBird flag set); the FSI EM constants otherwise.
const CtdConstants& CtdConstantsFor(const DeploymentRecord& deployment);

// Decodes profile `profile` from `in`, positioned at its first scan, with the
// CTD constants of `options` into `sink`. Returns Done (also when the file
// ended among the scans: CtdReadError and ProfileEnd::FileEnded), Cancelled or
// ReadError (the file could not be read among the scans, without a message;
// or the on and off times missing, CtdReadError).
DecodeResult DecodeCtdProfile(std::FILE* in, uint32_t profile, const DecodeOptions& options, ProfileSink& sink,
                              Reporter& reporter);
