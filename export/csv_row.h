#pragma once
// The CSV rows of the export's scans, each written by a writer made for its
// shape straight into the file's buffer. Each gives exactly the bytes of the
// formatter with the columns' CSV formats (export_columns.cpp): profile, time
// (UTC), scan (from 1), then one field per CSV column; a missing value (NaN)
// is an empty field; CR LF ends the row.

#include "export/export_columns.h"
#include "formats/field_text.h"

#include <cstddef>
#include <cstdint>

// Room for the longest row: eleven fields of any value, two times and the
// numbers and commas around them.
constexpr std::size_t kMaxCsvRowLength = 11 * kMaxFieldLength + 128;

// Writes the row of a scan at `p` (values: one per column of ColumnsOf) and
// returns its end.
char* PutCsvRow(char* p, Instrument instrument, bool layout301, uint32_t profile, uint32_t scan,
                const double* values);
