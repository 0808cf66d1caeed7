#pragma once
// The global attributes of an instrument's netCDF file, as a table: each row
// names an attribute, whether a metadata file may set it, and how its value
// comes from what the export knows of the file. The metadata file's other
// keys follow the table's rows in the file's order.

#include "export/export_columns.h"
#include "export/netcdf_attributes.h"

#include <string>
#include <utility>
#include <vector>

// What the global attributes of one file are made from.
struct FileFacts {
    Instrument instrument;
    const char* title;                 // "CTD", "ACM", "engineering"
    std::vector<std::string> sources;  // the input files' names, without folders
    std::string program;               // the program and its version
    std::string now;                   // the run's time, ISO 8601
    double latitude;
    double longitude;
    double timeLow;                    // the file's times, NaN without any
    double timeHigh;
    const std::vector<std::pair<std::string, std::string>>* metadata;  // the metadata file's keys
    bool qc = false;                   // the file carries quality flags
};

// The file's global attributes in their order: the table's, then the
// metadata file's others (a metadata key of a row that allows it replaces
// the row's value in place).
std::vector<Attribute> GlobalAttributes(const FileFacts& facts);

// geospatial_vertical_min and _max, known once the scans are written: put
// as NaN among the others and replaced then.
constexpr const char* kVerticalMin = "geospatial_vertical_min";
constexpr const char* kVerticalMax = "geospatial_vertical_max";
