#pragma once
// The sequence of a run: its steps in their fixed order (the start of each
// profile kind, each of its data files, the time logs, the deployment file and
// the exception log), what each does in its turn, and the run of them on one
// thread or several (engine/ordered_steps.h).

#include "engine/job_steps.h"

// The steps of `kinds`, run with `jobs` threads, their events to `events`.
// False when any step that ran failed. A cancel can leave either log open,
// and it is closed here.
bool RunKinds(RunState& run, RunEvents& events, int kinds, int jobs);
