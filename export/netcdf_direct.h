#pragma once
// The values of a classic netCDF file's variables whose first dimension is
// one given dimension (the scans' columns over obs, the grid's rows over
// profile), written straight into their places in the file (big-endian, in
// large pieces) while netCDF-C has the file closed. netCDF-C would read back
// every block of the file before writing it, through a buffer of 8 KiB: for
// the large variables of an export that doubled the bytes moved and cost
// hundreds of thousands of calls into the system.

#include "export/netcdf_file.h"
#include "export/netcdf_layout.h"
#include "platform/file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class NetcdfDirectValues {
public:
    // Reads where the variables over dimension `dim` of the dataset at
    // `path` lie and opens it for writing them. False, with the cause in
    // `error`, when that fails.
    bool Open(const std::string& path, int dim, std::string& error);
    // Whether variable `var` is one of those written here.
    bool Covers(int var) const;
    // The values in a row of variable `var` (its dimensions' lengths but the
    // first multiplied; 1 for a one-dimensional one).
    std::size_t RowLength(int var) const;
    const std::string& Name(int var) const;
    // Writes `count` values of `type` to variable `var` from value `first`
    // on, in the file's order (row after row), reopening the file when it
    // was suspended. Once the file is open, several threads may write their
    // own ranges at once. False, with the cause in `error`, when the values
    // do not fit the variable or the file refuses them.
    bool Put(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values,
             std::string& error);
    // Closes the file, so that netCDF-C can work on it; false, with the cause
    // in `error`, when a byte written did not reach it.
    bool Suspend(std::string& error);

private:
    // Opens the file again after Suspend (or first); false with the cause.
    bool Resume(std::string& error);

    std::string path_;
    int dim_ = -1;
    NetcdfLayout layout_;
    File file_;
};
