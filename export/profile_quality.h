#pragma once
// The quality control of one instrument's scans as they are written: the
// values of the tested columns (and their times) are kept for the current
// profile; when it ends, the QARTOD tests run over it, its grades are taken
// and its flags queue for the netCDF file, which gets them in large pieces,
// in obs order. The profile's values and aggregate flags stay until the next
// profile starts, for the grid.

#include "export/netcdf_file.h"
#include "export/profile_record.h"
#include "export/quality_variables.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ProfileQuality {
public:
    // `tested`: the columns the tests run on; `timeColumn`: the column of
    // the scans' own times, or the column count when the scans carry none
    // (their times are then estimated). Without `run` no test runs and only
    // the values are kept.
    ProfileQuality(std::vector<QcColumn> tested, const QcSettings& settings, bool run);

    const std::vector<QcColumn>& Tested() const { return tested_; }

    // Defines the flag variables of the tested columns in `nc` (define mode)
    // over `obsDim`, and the grades over `profileDim`. `names` are the
    // columns' names.
    void Define(NetcdfFile& nc, int obsDim, int profileDim, const std::vector<Column>& columns,
                const std::string& coordinates);

    // `count` scans of the current profile: their rows of values, `width`
    // each, one after the other, and the column of their times (`width`:
    // none, NaN).
    void Add(const double* rows, std::size_t width, std::size_t count, std::size_t timeColumn);
    // The current profile has had all its scans: tests it, sets its grades
    // into `record` and queues its flags for `nc` (null: no file).
    void EndProfile(ProfileRecord& record, NetcdfFile* nc);
    // The flags queued from now on are those of the scans from obs index
    // `obs` on (a part of the file's scans tested by a copy of its own).
    void StartAt(std::size_t obs) { flushedTo_ = obs; }
    // Puts what is queued. False after a failure of the file.
    bool Flush(NetcdfFile& nc);
    // Puts the grades of the listed profiles.
    void PutGrades(NetcdfFile& nc, const std::vector<ProfileRecord>& listed);

    // The ended profile: its scans, the values of tested column `i` and its
    // aggregate flags (empty without tests).
    std::size_t Scans() const { return times_.size(); }
    const std::vector<double>& Values(std::size_t i) const { return values_[i]; }
    const std::vector<uint8_t>& Aggregate(std::size_t i) const { return flags_[i][kFlagAggregate]; }
    bool Runs() const { return run_; }

private:
    std::vector<QcColumn> tested_;
    QcSettings settings_;
    bool run_;
    bool ended_ = false;
    std::vector<double> times_;
    std::vector<std::vector<double>> values_;                 // per tested column
    std::vector<std::array<std::vector<uint8_t>, kFlagKinds>> flags_;  // per tested column
    // The flag variables' ids, per tested column, and what waits for them.
    std::vector<std::array<int, kFlagKinds>> flagVars_;
    std::vector<int> gradeVars_;
    std::vector<std::array<std::vector<int8_t>, kFlagKinds>> queued_;
    std::size_t flushedTo_ = 0;  // the obs index of the first queued flag
};
