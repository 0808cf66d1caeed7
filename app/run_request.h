#pragma once
// The run the settings ask for, and the program's one job that runs it (the
// wizard's and davrolin-unpack's).

#include "app/settings_record.h"
#include "engine/messages.h"
#include "engine/unpack_job.h"
#include "formats/run_request.h"

// The request of `settings`: its kinds and range (UnpackAll: every kind of the
// entire deployment), folders, prefix, form and firmware; text files, no
// export, one thread.
RunRequest RunRequestFromSettings(const SettingsRecord& settings);

// What the placeholders of the catalogue stand for in the program: the
// fields of `settings`.
MessageValues SettingsMessageValues(const SettingsRecord& settings);

// The program's one job; its log is the program's activity log.
UnpackJob& TheUnpackJob();

// Starts a run of the settings' request on the program's job, on its worker
// thread: 0, or -1 when no thread could be made (UnpackJob::Start).
int StartSettingsRun();
