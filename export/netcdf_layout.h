#pragma once
// Where a classic netCDF file (CDF-1 or CDF-2) keeps its variables: the
// lengths of its dimensions and, for each variable in id order, its type, its
// dimensions and the offset of its first value. Read from the file's header,
// which netCDF-C writes when a dataset leaves define mode.

#include "export/netcdf_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct NetcdfLayout {
    struct Variable {
        std::string name;
        int type = 0;                 // nc_type: 1 byte, 2 char, 3 short, 4 int, 5 float, 6 double
        std::vector<uint32_t> dims;   // dimension ids
        uint64_t begin = 0;           // offset of the first value in the file
    };
    std::vector<uint64_t> dimLengths;
    std::vector<Variable> variables;
};

// The code of a classic type in the file (and netCDF-C's nc_type).
int NetcdfTypeCode(NetcdfType type);
// The bytes one value of type code `type` takes in the file; 0 for no classic type.
std::size_t NetcdfTypeSize(int type);

// Reads the layout from the header at the start of `file`. False, with what
// is wrong in `error`, when the file does not start with a classic header.
bool ReadNetcdfLayout(std::FILE* file, NetcdfLayout& layout, std::string& error);
