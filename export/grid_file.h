#pragma once
// ctd_grid.nc: the CTD's profiles on a common pressure grid, CF's single
// time series of profiles in the orthogonal form (profile, depth; the bins
// are of pressure, pressure(depth) their centres and bounds): per
// profile and bin the mean of the scans whose aggregate flags of the
// variable and of pressure are pass or not evaluated (every scan with
// --no-qc), and their count. Written a profile at a time, as the CTD's scans
// are, so that it needs a block of rows of memory.

#include "export/netcdf_attributes.h"
#include "export/netcdf_file.h"
#include "export/pressure_grid.h"
#include "export/profile_quality.h"
#include "export/profile_record.h"

#include <string>
#include <vector>

constexpr const char* kGridFileName = "ctd_grid.nc";

// One row of the grid: the means and counts of each gridded variable in
// turn, for listed profile `row`.
struct GridRow {
    std::size_t row = 0;
    std::vector<float> means;
    std::vector<int16_t> counts;
};

class GridFile {
public:
    // Creates the file with the listed profiles and the grid, and puts all
    // but the rows. `globals`: the global attributes of ctd.nc, which the
    // grid's own replace where they differ. `memory`: made there, as
    // NetcdfFile::Create makes it.
    bool Create(const std::string& path, const PressureGrid& grid, const std::vector<ProfileRecord>& listed,
                const std::string& station, double latitude, double longitude, std::vector<Attribute> globals,
                bool byFlags, NetcdfMemory* memory = nullptr);
    // Row `row` (a listed profile) from the profile that `quality` ended,
    // worked out on any thread.
    GridRow RowOf(std::size_t row, const ProfileQuality& quality) const;
    // Puts a row; rows come in order, and those skipped since the last are
    // written empty.
    bool PutRow(const GridRow& row);
    // Writes the rows left empty and closes the file.
    bool Close();
    const std::string& Error() const { return nc_.Error(); }
    bool IsOpen() const { return nc_.IsOpen(); }

private:
    // Rows are written this many at a time.
    static constexpr std::size_t kBlockRows = 64;

    bool PutEmptyUpTo(std::size_t row);
    // Adds a row (the means and counts of each gridded variable in turn) to
    // the block, and writes the block when it is full.
    void AddRow(const float* means, const int16_t* counts);
    bool PutBlock();

    NetcdfFile nc_;
    PressureGrid grid_;
    std::size_t profiles_ = 0;
    std::size_t nextRow_ = 0;
    bool byFlags_ = true;
    std::vector<int> meanVars_, countVars_;
    // The block of rows not yet written: per variable kBlockRows rows of bins.
    std::size_t blockRows_ = 0;
    std::vector<float> means_;
    std::vector<int16_t> counts_;
};
