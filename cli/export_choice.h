#pragma once
// The export a command line asks for, checked before anything is written by
// the rules every front end shares (app/export_choice.h), in the command
// line's words.

#include "app/export_choice.h"
#include "cli/command_line.h"
#include "export/deployment_export.h"
#include "formats/run_request.h"

#include <ctime>
#include <string>

// The export choices of `cl` for the run request (a relative metadata file is
// taken from `currentDir`), with its quality control options: false with
// `error` set when the metadata file cannot be read or holds a bad value, or
// a position is not a number in range.
bool MakeExportRequest(const CommandLine& cl, const std::string& currentDir, ExportRequest& request,
                       std::string& error);

// MakeExportRequest, then ExportChoiceFor: fills `choice` from `cl` (a relative metadata file is taken from
// `currentDir`); `now` is the time of the run, date_created unless the
// metadata file pins it. False with `error` set when the export cannot be
// made as asked. Without --export: true and `choice` asks for nothing.
bool MakeExportChoice(const CommandLine& cl, const std::string& currentDir, std::time_t now, ExportChoice& choice,
                      std::string& error);

// Whether a file can be created in `folder` (tried with a scratch file that
// is removed at once).
bool FolderIsWritable(const std::string& folder);
