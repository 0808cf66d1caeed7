#pragma once
// What the user tells the export about the deployment: the station's
// position and the ACDD attributes of its files, from a metadata file (an
// INI file whose [METADATA] section holds one key per attribute, and whose
// [QC] section may set the quality control's thresholds, qc_settings.h) and
// the command line. Every value is checked before a run starts, so that bad input
// is refused before anything is written.

#include "export/qc_settings.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ExportMetadata {
    // The file's keys other than latitude and longitude, in its order, with
    // their texts as written.
    std::vector<std::pair<std::string, std::string>> attributes;
    bool hasLatitude = false;
    bool hasLongitude = false;
    double latitude = 0.0;   // degrees north, -90..90
    double longitude = 0.0;  // degrees east, -180..360
    QcSettings qc = UnsetQcSettings();  // what the [QC] section sets
};

// Reads the [METADATA] and [QC] sections of the file at `path` (section
// names without regard to letter case, keys kept as written; a
// later key of the same name wins; blanks around values and one pair of
// enclosing quotes are dropped; lines starting with ; or # are comments).
// False, with `error` naming the file, the key and the value, when the file
// cannot be read, has neither section, a key is not a netCDF attribute
// name or a quality control setting, a setting's value is bad (SetQcKey,
// CheckQcSettings), a value holds a control character (values that are not
// UTF-8 are read as Windows-1252 and kept as UTF-8), latitude or longitude is
// not a number or out of range, or a date
// attribute (date_created, date_modified, date_issued,
// date_metadata_modified) is not ISO 8601.
bool ReadExportMetadata(const std::string& path, ExportMetadata& metadata, std::string& error);

// Text of a metadata file as UTF-8: as it is when it is UTF-8, else read as
// Windows-1252 (a file saved by an older Windows editor in the ANSI code
// page: "caf\xE9" is "café").
std::string MetadataText(std::string_view text);

// A decimal number ("-33.5", "1e3"), finite, nothing else around it.
bool ParseNumber(std::string_view text, double& value);

// Checks a latitude or longitude given as text (`what` names it in the
// message: "--latitude", "metadata.ini: key latitude"): false with `error`
// set when it is not a number or out of -90..90 (latitude) or -180..360
// (longitude).
bool ParseLatitude(std::string_view text, const std::string& what, double& value, std::string& error);
bool ParseLongitude(std::string_view text, const std::string& what, double& value, std::string& error);

// An ISO 8601 date or date and time: YYYY-MM-DD, optionally followed by
// Thh:mm, :ss and a decimal fraction, then Z or +hh:mm / -hh:mm, with every
// field in its range.
bool IsIsoDateTime(std::string_view text);

// Whether `name` is a name netCDF accepts for an attribute written here:
// a letter or underscore, then letters, digits and _ . @ + -.
bool IsAttributeName(std::string_view name);
