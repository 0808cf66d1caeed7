#include "export/profile_quality.h"

#include "export/profile_record.h"

#include <limits>
#include <utility>

namespace {

// Flags are put once this many wait (or as a piece of the file ends): a
// call into the system for each variable's flags costs more than their
// bytes.
constexpr std::size_t kFlushScans = std::size_t{1} << 15;

}  // namespace

ProfileQuality::ProfileQuality(std::vector<QcColumn> tested, const QcSettings& settings, bool run)
    : tested_(std::move(tested)), settings_(settings), run_(run), values_(tested_.size()), flags_(tested_.size()),
      queued_(tested_.size())
{
}

void ProfileQuality::Define(NetcdfFile& nc, int obsDim, int profileDim, const std::vector<Column>& columns,
                            const std::string& coordinates)
{
    if (!run_)
        return;
    for (const QcColumn& t : tested_) {
        const char* name = columns[t.column].name;
        std::array<int, kFlagKinds> ids{};
        const std::vector<QcVariableRow> rows = FlagVariables(name, settings_.variables[t.variable], coordinates);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            ids[k] = nc.DefineVar(rows[k].name.c_str(), NetcdfType::Byte, {obsDim});
            PutAttributes(nc, ids[k], NetcdfType::Byte, rows[k].attributes);
        }
        flagVars_.push_back(ids);
        const QcVariableRow grade = GradeVariable(name);
        gradeVars_.push_back(nc.DefineVar(grade.name.c_str(), NetcdfType::Byte, {profileDim}));
        PutAttributes(nc, gradeVars_.back(), NetcdfType::Byte, grade.attributes);
    }
}

void ProfileQuality::Add(const double* rows, std::size_t width, std::size_t count, std::size_t timeColumn)
{
    if (ended_) {
        times_.clear();
        for (auto& v : values_)
            v.clear();
        ended_ = false;
    }
    // Column by column: each a copy out of the rows the compiler keeps tight.
    const std::size_t at = times_.size();
    times_.resize(at + count);
    for (std::size_t i = 0; i < count; ++i)
        times_[at + i] = timeColumn < width ? rows[i * width + timeColumn] : std::numeric_limits<double>::quiet_NaN();
    for (std::size_t c = 0; c < tested_.size(); ++c) {
        std::vector<double>& values = values_[c];
        const double* from = rows + tested_[c].column;
        values.resize(at + count);
        for (std::size_t i = 0; i < count; ++i)
            values[at + i] = from[i * width];
    }
}

void ProfileQuality::EndProfile(ProfileRecord& record, NetcdfFile* nc)
{
    ended_ = true;
    if (!run_)
        return;
    const std::size_t n = times_.size();
    const double interval = MedianInterval(times_);
    for (std::size_t i = 0; i < tested_.size(); ++i) {
        auto& f = flags_[i];
        for (auto& flags : f)
            flags.resize(n);
        RunQartod(settings_.variables[tested_[i].variable], values_[i].data(), times_.data(), interval, n,
                  {f[kFlagGrossRange].data(), f[kFlagSpike].data(), f[kFlagRateOfChange].data(),
                   f[kFlagFlatLine].data(), f[kFlagAggregate].data()});
        uint32_t passed = 0, notMissing = 0;
        for (uint8_t a : f[kFlagAggregate]) {
            passed += a == kQartodPass;
            notMissing += a != kQartodMissing;
        }
        record.grades[tested_[i].variable] = ProfileGrade(passed, notMissing);
        if (nc)
            for (int k = 0; k < kFlagKinds; ++k)
                queued_[i][k].insert(queued_[i][k].end(), f[k].begin(), f[k].end());
    }
    if (nc && !queued_.empty() && queued_[0][0].size() >= kFlushScans)
        Flush(*nc);
}

bool ProfileQuality::Flush(NetcdfFile& nc)
{
    if (!run_ || queued_.empty() || flagVars_.empty())
        return nc.Ok();
    const std::size_t count = queued_[0][0].size();
    for (std::size_t i = 0; i < tested_.size(); ++i)
        for (int k = 0; k < kFlagKinds; ++k) {
            nc.PutBytes(flagVars_[i][k], flushedTo_, queued_[i][k]);
            queued_[i][k].clear();
        }
    flushedTo_ += count;
    return nc.Ok();
}

void ProfileQuality::PutGrades(NetcdfFile& nc, const std::vector<ProfileRecord>& listed)
{
    if (!run_)
        return;
    std::vector<int8_t> grades(listed.size());
    for (std::size_t i = 0; i < gradeVars_.size(); ++i) {
        for (std::size_t p = 0; p < listed.size(); ++p)
            grades[p] = listed[p].grades[tested_[i].variable];
        nc.PutBytes(gradeVars_[i], 0, grades);
    }
}
