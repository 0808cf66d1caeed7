#pragma once
// netCDF attributes as data: the attributes of a variable or of a file are a
// list of these, written in their order by PutAttributes. The export's
// tables (export_columns.cpp, instance_variables.cpp, global_attributes.cpp)
// hold them, so that the writer has no attribute of its own.

#include "export/netcdf_file.h"

#include <initializer_list>
#include <string>
#include <vector>

struct Attribute {
    enum class Kind { Text, Numbers, Fill };
    std::string name;
    Kind kind = Kind::Text;
    std::string text;                    // Text
    NetcdfType type = NetcdfType::Char;  // Numbers: their external type
    std::vector<double> numbers;         // Numbers, each exact in `type`
};

Attribute TextAttribute(std::string name, std::string text);
Attribute NumbersAttribute(std::string name, NetcdfType type, std::vector<double> numbers);
// The variable's _FillValue, of its own type: NaN for floats and doubles,
// kShortFill and kByteFill for shorts and bytes.
Attribute FillAttribute();

// Numbers held as doubles, each exact in T, as values of T.
template <typename T>
std::vector<T> ConvertedNumbers(const std::vector<double>& numbers)
{
    std::vector<T> values;
    values.reserve(numbers.size());
    for (double n : numbers)
        values.push_back(static_cast<T>(n));
    return values;
}

// The fill value of a variable of `type` (NaN for floats and doubles).
double FillValueOf(NetcdfType type);

// Puts the attributes of variable `var` (of `type`; kNetcdfGlobal for the
// file's own) in their order.
bool PutAttributes(NetcdfFile& file, int var, NetcdfType type, const std::vector<Attribute>& attributes);
