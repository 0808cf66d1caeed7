#pragma once
// The options summary: what the run is going to do, from which folder to
// which, which kinds for which profiles, with which names and in which form,
// assembled from catalogue messages and the current settings.
//
// Levels, by the step that shows the summary: each adds to the one before;
// anything larger than SummaryComplete means everything. `details` adds the
// packing lines and the file names.

#include <string>

enum SummaryLevel : int {
    SummarySourceFolder = 2,       // the source folder (destination page)
    SummaryDestinationFolder = 3,  // adds the destination folder (file types page)
    SummaryKinds = 4,              // adds the kinds and profiles (prefix page)
    SummaryPrefixedNames = 5,      // output names with the prefix (format page)
    SummaryComplete = 6,           // adds the time logs, the output form and the export's files (verify page)
    SummaryForLog = 99,            // everything: the activity log at the start of a run
};

// The summary text at `level`, with or without details.
std::string BuildOptionsSummary(int level, int details);

// Logs the run's settings (category Info): LogSettingsHeading, the summary at
// level 99 without details, LogActivityHeading. 0, or -1 after a fault, when a
// fixed line takes the place of what was not yet logged.
int LogOptionsSummary();
