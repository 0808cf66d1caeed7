#pragma once
// The quality control's variables, as tables beside the scan columns': for
// each column the QARTOD tests run on, one flag variable per test and the
// aggregate (obs), the profile's grade (profile), and the attributes each
// carries, the test's settings among them, so that a file says how it was
// judged. Which columns are tested, and the grades' rule, are here too.

#include "export/export_columns.h"
#include "export/netcdf_attributes.h"
#include "export/qc_settings.h"

#include <cstdint>
#include <string>
#include <vector>

// A column the tests run on: its index in ColumnsOf and its settings' variable.
struct QcColumn {
    std::size_t column;
    QcVariable variable;
};
// The CTD's pressure, temperature, conductivity and practical salinity; the
// engineering pressure; none of the ACM's.
std::vector<QcColumn> QcColumnsOf(Instrument instrument, const std::vector<Column>& columns);

// The flag variables of a column, in this order.
enum QcFlagKind { kFlagGrossRange, kFlagSpike, kFlagRateOfChange, kFlagFlatLine, kFlagAggregate, kFlagKinds };

struct QcVariableRow {
    std::string name;
    std::vector<Attribute> attributes;
};

// The five flag variables of the column `name` (obs, byte), with the
// column's coordinates and its settings `t`.
std::vector<QcVariableRow> FlagVariables(const char* name, const QcThresholds& t, const std::string& coordinates);

// The data variable's ancillary_variables: its five flag variables.
Attribute AncillaryVariables(const char* name);

// The grade of the column `name` per profile (profile, byte): profile_<name>_qc.
QcVariableRow GradeVariable(const char* name);

// A profile's grade from its aggregate flags: 0 (A) every scan that is not
// missing passes, 1 (B) 75 % or more pass, 2 (C) 50 %, 3 (D) 25 %, 4 (E) some,
// 5 (F) none; the byte fill value when every scan is missing (or none is there).
int8_t ProfileGrade(uint32_t passed, uint32_t notMissing);
// Its letter, "" for the fill value.
const char* GradeLetter(int8_t grade);
