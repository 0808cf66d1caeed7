#pragma once
// The pressure bins of ctd_grid.nc and the means of a profile's scans in
// them. Bin i holds the pressures from shallow + i * step up to the next
// bin's; the deep end belongs to the last bin, and pressures outside the
// grid to none.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr double kDefaultGridStep = 1.0;  // dbar
constexpr double kMinGridStep = 0.01;
constexpr double kMaxGridStep = 1000.0;
// No more bins than this: a wider grid (a damaged deployment record with a
// fine step) is cut at its deep end.
constexpr std::size_t kMaxGridBins = 200000;

struct PressureGrid {
    double shallow = 0.0;
    double step = kDefaultGridStep;
    std::size_t bins = 0;

    // The grid from `shallow` to `deep` (at least one bin); false when the
    // limits are not finite or not in order.
    bool Make(double shallowLimit, double deepLimit, double binStep);
    // The bin of a pressure; -1 outside the grid or NaN.
    long BinOf(double pressure) const;
    double Centre(std::size_t bin) const { return shallow + step * (static_cast<double>(bin) + 0.5); }
    double Low(std::size_t bin) const { return shallow + step * static_cast<double>(bin); }
    double High(std::size_t bin) const { return shallow + step * static_cast<double>(bin + 1); }
};

// The means of several variables over the bins of one profile.
class BinMeans {
public:
    BinMeans(const PressureGrid& grid, std::size_t variables);
    void Clear();
    // Adds a finite value of variable `v` to its bin (bin -1: nothing).
    void Add(long bin, std::size_t v, double value);
    // Variable `v`'s means (NaN where a bin has no value) and counts.
    void Take(std::size_t v, float* means, int16_t* counts) const;

private:
    std::size_t bins_;
    std::vector<double> sums_;
    std::vector<int32_t> counts_;
};
