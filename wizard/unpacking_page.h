#pragma once
// The Unpacking page's own messages and what tests may look at or replace.
// The page itself is UnpackingPage (wizard/page.h).

#include "formats/message_ids.h"

#include <windows.h>

#include <optional>

// Posted by the page to itself when it is shown; starts a run unless one goes.
// Below the worker's notices (wizard/job_observer.h), above WM_APP.
constexpr UINT StartJobRequest = WM_APP;

// How a run is started: by default the settings' run with the export the
// page made of them (0, or -1 when no worker could be made). Tests replace
// it; null restores the default.
using UnpackJobStarter = int (*)();
void SetUnpackJobStarter(UnpackJobStarter starter);

// True from the start request until the run's finished notification.
bool UnpackingRunGoing();

// The catalogue message painted into the banner when the latest run ended
// ("Complete" or "Cancelled by User"), none before the first end.
std::optional<MessageId> UnpackingBannerId();
