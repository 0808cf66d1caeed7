#pragma once
// The scan rows of the profile texts, each written by a writer made for its
// shape straight into the row's place. Each gives exactly the bytes the
// formatter gives for the row's format text (written above each writer).

#include "formats/field_text.h"
#include "formats/sink.h"

#include <cstddef>

// Room for the longest row: nine fields of any value and the text between.
constexpr std::size_t kMaxRowLength = 9 * kMaxFieldLength + 64;

// Each writes the row at `p` and returns its end.
char* PutEngineeringRow(char* p, const EngineeringValues& scan, bool human, bool layout301);
char* PutCtdRow(char* p, const CtdValues& scan);
char* PutAcmRow(char* p, const AcmValues& scan);
