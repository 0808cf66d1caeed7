#pragma once
// The options summary: what the run is going to do, from which folder to
// which, which kinds for which profiles, with which names and in which form,
// assembled from catalogue messages and the current settings.
//
// Levels, by the step that shows the summary: 2 the source folder, 3 adds the
// destination folder, 4 the kinds and profiles, 5 prefixed output names, 6 the
// time logs and the output form; anything larger (the activity log uses 99)
// means everything. `details` adds the packing lines and the file names.

#include <string>

// The summary text at `level`, with or without details.
std::string BuildOptionsSummary(int level, int details);

// Logs the run's settings (category Info): LogSettingsHeading, the summary at
// level 99 without details, LogActivityHeading. 0, or -1 after a fault, when a
// fixed line takes the place of what was not yet logged.
int LogOptionsSummary();
