#pragma once
// The profile-file steps of a run: one data file of the engineering, CTD or
// ACM kind read through the last profile it holds for the run, each profile
// of the range decoded into its text file (and the export's sink), the
// termination and sensor time rows to the run's logs.

#include "engine/job_steps.h"

#include <cstdio>

// One profile of `in` of profile kind `kind` decoded into its text sink: the
// text to `out` (null for a profile read only to reach a later one), the
// termination row (engineering, only with a text file) or the sensor time
// entry (CTD and ACM, always) to `auxiliaryLog` (either may be null), and,
// when `exportSink` is given, every value to it as well.
DecodeResult DecodeProfileText(int kind, std::FILE* out, std::FILE* in, uint32_t profile, std::FILE* auxiliaryLog,
                               const DecodeOptions& options, ProfileSink* exportSink, Reporter& reporter);

// The catalogue message that starts a profile kind's part of the log.
MessageId ProfileKindStart(int kind);

// The work of a profile-file step.
void WorkProfileFile(const RunState& run, JobStep& step, StepJournal& journal);

// The rows a step kept, appended to the run's log (none when the log could
// not be created). False when they could not all be read back or written.
bool CopyRows(std::FILE* rows, std::FILE* log);
