#pragma once
// The whole-file steps of a run: the deployment file and the exception log,
// each read whole and written as one text file.

#include "engine/job_steps.h"

#include <optional>
#include <string>

// The file at `inputPath` written as text to `outputPath`, its text file
// created through `files`. Done; OpenError (the input could not be opened or
// the output created, logged); ReadError (logged; the output stays, possibly
// empty); WriteError (the output did not reach the disk, logged). The
// exception log also gives Cancelled. The deployment record read in full is
// left in `record`.
DecodeResult DeploymentFile(const std::string& inputPath, const std::string& outputPath, const DecodeOptions& options,
                            Reporter& reporter, const TextFiles& files, std::optional<DeploymentRecord>& record);
DecodeResult IrqFile(const std::string& inputPath, const std::string& outputPath, const DecodeOptions& options,
                     Reporter& reporter, const TextFiles& files);

// The work of a whole-file step.
void WorkWholeFile(const RunState& run, JobStep& step, StepJournal& journal);
