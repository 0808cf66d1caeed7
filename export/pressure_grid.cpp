#include "export/pressure_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool PressureGrid::Make(double shallowLimit, double deepLimit, double binStep)
{
    if (!std::isfinite(shallowLimit) || !std::isfinite(deepLimit) || !(deepLimit > shallowLimit) ||
        !(binStep > 0))
        return false;
    shallow = shallowLimit;
    step = binStep;
    const double n = std::ceil((deepLimit - shallowLimit) / binStep);
    bins = n < 1 ? 1 : n > static_cast<double>(kMaxGridBins) ? kMaxGridBins : static_cast<std::size_t>(n);
    return true;
}

long PressureGrid::BinOf(double pressure) const
{
    const double at = std::floor((pressure - shallow) / step);
    if (!(at >= 0))
        return -1;  // shallower, or NaN
    if (at < static_cast<double>(bins))
        return static_cast<long>(at);
    return pressure <= High(bins - 1) ? static_cast<long>(bins - 1) : -1;
}

BinMeans::BinMeans(const PressureGrid& grid, std::size_t variables)
    : bins_(grid.bins), sums_(grid.bins * variables), counts_(grid.bins * variables)
{
}

void BinMeans::Clear()
{
    std::fill(sums_.begin(), sums_.end(), 0.0);
    std::fill(counts_.begin(), counts_.end(), 0);
}

void BinMeans::Add(long bin, std::size_t v, double value)
{
    if (bin < 0 || !std::isfinite(value))
        return;
    const std::size_t at = v * bins_ + static_cast<std::size_t>(bin);
    sums_[at] += value;
    ++counts_[at];
}

void BinMeans::Take(std::size_t v, float* means, int16_t* counts) const
{
    for (std::size_t i = 0; i < bins_; ++i) {
        const std::size_t at = v * bins_ + i;
        const int32_t n = counts_[at];
        means[i] = n ? static_cast<float>(sums_[at] / n) : std::numeric_limits<float>::quiet_NaN();
        counts[i] = static_cast<int16_t>(n < 32767 ? n : 32767);
    }
}
