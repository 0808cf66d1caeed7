#include "export/grid_file.h"

#include "export/export_columns.h"
#include "export/global_attributes.h"
#include "export/instance_variables.h"
#include "export/seawater.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <span>

namespace {

constexpr QcVariable kGridded[] = {kQcTemperature, kQcConductivity, kQcSalinity};
constexpr const char* kCoordinates = "time pressure latitude longitude station";

const Column* CtdColumn(const char* name)
{
    static const std::vector<Column> columns = ColumnsOf(Instrument::Ctd, false);
    for (const Column& c : columns)
        if (std::strcmp(c.name, name) == 0)
            return &c;
    return nullptr;
}

// The index in `tested` of a variable's column, or -1.
int IndexOf(const std::vector<QcColumn>& tested, QcVariable variable)
{
    for (std::size_t i = 0; i < tested.size(); ++i)
        if (tested[i].variable == variable)
            return static_cast<int>(i);
    return -1;
}

bool Usable(const ProfileQuality& q, int i, std::size_t scan)
{
    if (!q.Runs())
        return true;
    const uint8_t f = q.Aggregate(static_cast<std::size_t>(i))[scan];
    return f == kQartodPass || f == kQartodNotEvaluated;
}

void Replace(std::vector<Attribute>& list, Attribute a)
{
    for (Attribute& old : list)
        if (old.name == a.name) {
            old = std::move(a);
            return;
        }
    list.push_back(std::move(a));
}

}  // namespace

bool GridFile::Create(const std::string& path, const PressureGrid& grid, const std::vector<ProfileRecord>& listed,
                      const std::string& station, double latitude, double longitude, std::vector<Attribute> globals,
                      bool byFlags, NetcdfMemory* memory)
{
    grid_ = grid;
    profiles_ = listed.size();
    byFlags_ = byFlags;
    nc_.Create(path, false, memory);
    const int strlenDim = nc_.DefineDim("name_strlen", station.size());
    const int profileDim = nc_.DefineDim("profile", listed.size());
    // The bins' dimension and coordinate variable are the depth of their
    // centres: a dimension named pressure is taken by the checkers for the
    // atmosphere's.
    const int pressureDim = nc_.DefineDim("depth", grid.bins);
    const int boundsDim = nc_.DefineDim("bounds", 2);

    auto define = [&](const char* name, NetcdfType type, std::initializer_list<int> dims,
                      const std::vector<Attribute>& attributes) {
        const int id = nc_.DefineVar(name, type, dims);
        PutAttributes(nc_, id, type, attributes);
        return id;
    };
    const std::vector<int> stationVars = DefineStationVariables(nc_, -1, strlenDim);
    // The profile variables of ctd.nc that the grid's profiles carry.
    std::vector<const ProfileVariable*> profileRows;
    std::vector<int> profileVars;
    for (const ProfileVariable* v : ProfileVariablesOf(Instrument::Ctd))
        for (const char* name : {"profile", "time", "time_source", "profile_direction"})
            if (std::strcmp(v->name, name) == 0) {
                profileRows.push_back(v);
                profileVars.push_back(define(v->name, v->type, {profileDim}, v->attributes));
            }
    const int depth = define("depth", NetcdfType::Double, {pressureDim},
                             {TextAttribute("standard_name", "depth"),
                              TextAttribute("long_name", "depth of the bin's centre (TEOS-10 at the station latitude)"),
                              TextAttribute("units", "m"), TextAttribute("axis", "Z"), TextAttribute("positive", "down"),
                              TextAttribute("bounds", "depth_bnds")});
    const int depthBounds = define("depth_bnds", NetcdfType::Double, {pressureDim, boundsDim}, {});
    const int pressure = define("pressure", NetcdfType::Double, {pressureDim},
                                {TextAttribute("standard_name", "sea_water_pressure_due_to_sea_water"),
                                 TextAttribute("long_name", "pressure at the bin's centre"),
                                 TextAttribute("units", "dbar"), TextAttribute("bounds", "pressure_bnds")});
    const int bounds = define("pressure_bnds", NetcdfType::Double, {pressureDim, boundsDim}, {});
    const std::string selection =
        byFlags ? "mean of the profile's scans in the bin whose aggregate flags of the variable and of pressure are "
                  "pass or not_evaluated"
                : "mean of the profile's scans in the bin (no quality control)";
    for (QcVariable v : kGridded) {
        const Column* c = CtdColumn(kQcVariableNames[v]);
        std::vector<Attribute> a{TextAttribute("standard_name", c->standardName),
                                 TextAttribute("long_name", c->longName)};
        if (c->units)
            a.push_back(TextAttribute("units", c->units));
        a.push_back(FillAttribute());
        a.push_back(TextAttribute("cell_methods", "depth: mean (within the pressure bin)"));
        a.push_back(TextAttribute("coordinates", kCoordinates));
        a.push_back(TextAttribute("coverage_content_type", "physicalMeasurement"));
        a.push_back(TextAttribute("comment", selection));
        meanVars_.push_back(define(c->name, NetcdfType::Float, {profileDim, pressureDim}, a));
        const std::string count = std::string(c->name) + "_count";
        countVars_.push_back(define(count.c_str(), NetcdfType::Short, {profileDim, pressureDim},
                                    {TextAttribute("long_name", std::string("number of scans in the mean of ") +
                                                                    c->name),
                                     TextAttribute("units", "1"), TextAttribute("coordinates", kCoordinates),
                                     TextAttribute("coverage_content_type", "auxiliaryInformation")}));
    }

    Replace(globals, TextAttribute("cdm_profile_variables", "profile,time,time_source,profile_direction"));
    Replace(globals, TextAttribute("summary", "The CTD profiles of a VXP profiling vehicle's deployment on a common "
                                              "pressure grid: per profile and pressure bin the mean of its scans."));
    double depthLow = NAN, depthHigh = NAN;
    if (!std::isnan(latitude)) {
        depthLow = DepthFromPressure(grid.Centre(0), latitude);
        depthHigh = DepthFromPressure(grid.Centre(grid.bins - 1), latitude);
    }
    Replace(globals, NumbersAttribute(kVerticalMin, NetcdfType::Double, {depthLow}));
    Replace(globals, NumbersAttribute(kVerticalMax, NetcdfType::Double, {depthHigh}));
    PutAttributes(nc_, kNetcdfGlobal, NetcdfType::Double, globals);
    nc_.EndDefine();

    PutStationValues(nc_, stationVars, station, latitude, longitude);
    PutProfileValues(nc_, profileVars, profileRows, listed, Instrument::Ctd);
    std::vector<double> centres(grid.bins), depths(grid.bins), pressureEdges, depthEdges;
    for (std::size_t i = 0; i < grid.bins; ++i) {
        centres[i] = grid.Centre(i);
        depths[i] = DepthFromPressure(centres[i], latitude);
        pressureEdges.insert(pressureEdges.end(), {grid.Low(i), grid.High(i)});
        depthEdges.insert(depthEdges.end(),
                            {DepthFromPressure(grid.Low(i), latitude), DepthFromPressure(grid.High(i), latitude)});
    }
    nc_.PutDoubleRows(bounds, 0, pressureEdges);
    nc_.PutDoubleRows(depthBounds, 0, depthEdges);
    nc_.PutDoubles(pressure, 0, centres);
    nc_.PutDoubles(depth, 0, depths);
    means_.resize(meanVars_.size() * kBlockRows * grid.bins);
    counts_.resize(means_.size());
    // The rows, the bulk of the file, go straight to their places.
    nc_.WriteDirectly(profileDim);
    return nc_.Ok();
}

void GridFile::AddRow(const float* means, const int16_t* counts)
{
    const std::size_t bins = grid_.bins;
    for (std::size_t v = 0; v < meanVars_.size(); ++v) {
        const std::size_t at = (v * kBlockRows + blockRows_) * bins;
        std::copy(means + v * bins, means + (v + 1) * bins, means_.begin() + static_cast<std::ptrdiff_t>(at));
        std::copy(counts + v * bins, counts + (v + 1) * bins, counts_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    ++nextRow_;
    if (++blockRows_ == kBlockRows)
        PutBlock();
}

bool GridFile::PutBlock()
{
    const std::size_t bins = grid_.bins;
    const std::size_t first = nextRow_ - blockRows_;
    for (std::size_t v = 0; v < meanVars_.size() && blockRows_ != 0; ++v) {
        const std::size_t at = v * kBlockRows * bins;
        nc_.PutFloatRows(meanVars_[v], first, std::span<const float>(&means_[at], blockRows_ * bins));
        nc_.PutShortRows(countVars_[v], first, std::span<const int16_t>(&counts_[at], blockRows_ * bins));
    }
    blockRows_ = 0;
    return nc_.Ok();
}

bool GridFile::PutEmptyUpTo(std::size_t row)
{
    if (nextRow_ >= row)
        return nc_.Ok();
    const std::vector<float> means(meanVars_.size() * grid_.bins, std::numeric_limits<float>::quiet_NaN());
    const std::vector<int16_t> counts(means.size(), int16_t{0});
    while (nextRow_ < row)
        AddRow(means.data(), counts.data());
    return nc_.Ok();
}

GridRow GridFile::RowOf(std::size_t row, const ProfileQuality& quality) const
{
    const std::vector<QcColumn>& tested = quality.Tested();
    const int p = IndexOf(tested, kQcPressure);
    BinMeans sums(grid_, std::size(kGridded));
    std::vector<long> binOf(quality.Scans(), -1);
    for (std::size_t s = 0; s < binOf.size(); ++s)
        if (Usable(quality, p, s))
            binOf[s] = grid_.BinOf(quality.Values(static_cast<std::size_t>(p))[s]);
    for (std::size_t v = 0; v < std::size(kGridded); ++v) {
        const int i = IndexOf(tested, kGridded[v]);
        for (std::size_t s = 0; s < binOf.size(); ++s)
            if (Usable(quality, i, s))
                sums.Add(binOf[s], v, quality.Values(static_cast<std::size_t>(i))[s]);
    }
    GridRow r;
    r.row = row;
    const std::size_t bins = grid_.bins;
    r.means.resize(meanVars_.size() * bins);
    r.counts.resize(meanVars_.size() * bins);
    for (std::size_t v = 0; v < meanVars_.size(); ++v)
        sums.Take(v, r.means.data() + v * bins, r.counts.data() + v * bins);
    return r;
}

bool GridFile::PutRow(const GridRow& r)
{
    if (!PutEmptyUpTo(r.row))
        return false;
    AddRow(r.means.data(), r.counts.data());
    return nc_.Ok();
}

bool GridFile::Close()
{
    PutEmptyUpTo(profiles_);
    PutBlock();
    return nc_.Close();
}
