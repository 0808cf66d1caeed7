#include "export/qartod.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool Missing(double v) { return !std::isfinite(v); }

void MarkMissing(std::span<const double> values, uint8_t* flags)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        if (Missing(values[i]))
            flags[i] = kQartodMissing;
}

}  // namespace

double MedianInterval(std::span<const double> times)
{
    std::vector<double> steps;
    steps.reserve(times.size());
    for (std::size_t i = 1; i < times.size(); ++i) {
        const double step = times[i] - times[i - 1];
        if (std::isnan(step))
            return NAN;
        steps.push_back(step);
    }
    if (steps.empty())
        return NAN;
    const std::size_t mid = steps.size() / 2;
    std::nth_element(steps.begin(), steps.begin() + mid, steps.end());
    if (steps.size() % 2 == 1)
        return steps[mid];
    const double upper = steps[mid];
    const double lower = *std::max_element(steps.begin(), steps.begin() + mid);
    return (lower + upper) / 2;
}

namespace {

// Flags with `flag` every scan n >= count whose window of scans n - count .. n
// holds a value and spans less than `tolerance` (missing scans left out).
// The window's minimum and maximum come from two queues of candidates (the
// indices of values that can still be one), each index entering and leaving
// once; `low` and `high` have room for every index.
void FlagFlatRuns(std::span<const double> values, std::size_t count, double tolerance, uint8_t flag, uint8_t* flags,
                  std::vector<std::size_t>& low, std::vector<std::size_t>& high)
{
    std::size_t lowFirst = 0, lowEnd = 0, highFirst = 0, highEnd = 0;
    for (std::size_t n = 0; n < values.size(); ++n) {
        const double v = values[n];
        if (!Missing(v)) {
            while (lowEnd > lowFirst && values[low[lowEnd - 1]] >= v)
                --lowEnd;
            low[lowEnd++] = n;
            while (highEnd > highFirst && values[high[highEnd - 1]] <= v)
                --highEnd;
            high[highEnd++] = n;
        }
        if (n < count)
            continue;
        const std::size_t first = n - count;
        while (lowFirst < lowEnd && low[lowFirst] < first)
            ++lowFirst;
        while (highFirst < highEnd && high[highFirst] < first)
            ++highFirst;
        if (lowFirst < lowEnd && std::fabs(values[high[highFirst]] - values[low[lowFirst]]) < tolerance)
            flags[n] = flag;
    }
}

// Whether some window of scans n - count .. n may be flat. One that holds
// two consecutive values (missing ones between left out) differing by the
// tolerance or more is not; when every window holds such a pair, the
// queues need not run.
bool MayBeFlat(std::span<const double> values, std::size_t count, double tolerance)
{
    bool pair = false;
    std::size_t pairFirst = 0, last = 0;  // the first value of the latest such pair; the latest value
    bool any = false;
    for (std::size_t n = 0; n < values.size(); ++n) {
        if (!Missing(values[n])) {
            if (any && !(std::fabs(values[n] - values[last]) < tolerance)) {
                pair = true;
                pairFirst = last;
            }
            last = n;
            any = true;
        }
        if (n >= count && (!pair || pairFirst < n - count))
            return true;
    }
    return false;
}

}  // namespace

void GrossRangeTest(std::span<const double> values, QartodSpan fail, const QartodSpan* suspect, uint8_t* flags)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        uint8_t f = kQartodPass;
        if (std::isnan(v))
            f = kQartodMissing;
        else if (v < fail.low || v > fail.high)
            f = kQartodFail;
        else if (suspect && (v < suspect->low || v > suspect->high))
            f = kQartodSuspect;
        flags[i] = f;
    }
}

void SpikeTest(std::span<const double> values, double suspect, double fail, uint8_t* flags)
{
    const std::size_t n = values.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (Missing(values[i])) {
            flags[i] = kQartodMissing;
            continue;
        }
        if (i == 0 || i + 1 == n) {
            flags[i] = kQartodNotEvaluated;
            continue;
        }
        const double reference = (values[i - 1] + values[i + 1]) / 2;
        if (!std::isfinite(reference)) {
            flags[i] = kQartodNotEvaluated;
            continue;
        }
        const double difference = std::fabs(values[i] - reference);
        uint8_t f = kQartodPass;
        if (fail != 0 && difference > fail)
            f = kQartodFail;
        else if (suspect != 0 && difference > suspect)
            f = kQartodSuspect;
        flags[i] = f;
    }
}

void RateOfChangeTest(std::span<const double> values, std::span<const double> times, double suspect, double fail,
                      uint8_t* flags)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        uint8_t f = kQartodPass;
        if (Missing(values[i])) {
            f = kQartodMissing;
        } else if (i > 0) {
            const double step = times[i] - times[i - 1];
            if (std::isnan(step)) {
                f = kQartodNotEvaluated;
            } else {
                // After a NaN the rate is NaN and passes; at the time of the
                // scan before it is infinite unless the value stayed.
                const double rate = std::fabs((values[i] - values[i - 1]) / step);
                if (!std::isnan(fail) && rate > fail)
                    f = kQartodFail;
                else if (rate > suspect)
                    f = kQartodSuspect;
            }
        }
        flags[i] = f;
    }
}

void FlatLineTest(std::span<const double> values, double interval, double suspectSeconds, double failSeconds,
                  double tolerance, uint8_t* flags)
{
    std::fill(flags, flags + values.size(), kQartodPass);
    if (values.size() >= 3) {
        if (!(interval > 0) || std::isinf(interval)) {
            std::fill(flags, flags + values.size(), kQartodNotEvaluated);
        } else {
            // Windows longer than the profile flag nothing.
            auto count = [&](double seconds) {
                const double c = std::trunc(seconds / interval);
                return c < static_cast<double>(values.size()) ? static_cast<std::size_t>(c) : values.size();
            };
            const std::size_t suspectCount = count(suspectSeconds), failCount = count(failSeconds);
            if (!MayBeFlat(values, std::min(suspectCount, failCount), tolerance)) {
                MarkMissing(values, flags);
                return;
            }
            std::vector<std::size_t> low(values.size()), high(values.size());
            FlagFlatRuns(values, suspectCount, tolerance, kQartodSuspect, flags, low, high);
            // A longer window spans at least the range of a shorter one that
            // it holds: without a suspect scan there is no failing one.
            if (failCount < suspectCount ||
                std::find(flags, flags + values.size(), kQartodSuspect) != flags + values.size())
                FlagFlatRuns(values, failCount, tolerance, kQartodFail, flags, low, high);
        }
    }
    MarkMissing(values, flags);
}

namespace {

// The rank of each flag: fail 5, suspect 4, pass 3, not evaluated 2,
// missing 1, others 0. Written as sums of comparisons on bytes that do not
// overlap, so that the loops run on many flags at once.
uint8_t Rank(uint8_t f)
{
    return static_cast<uint8_t>((f == kQartodFail) * 5 + (f == kQartodSuspect) * 4 + (f == kQartodPass) * 3 +
                                (f == kQartodNotEvaluated) * 2 + (f == kQartodMissing) * 1);
}

uint8_t FlagOfRank(uint8_t r)
{
    return static_cast<uint8_t>((r == 5) * kQartodFail + (r == 4) * kQartodSuspect + (r == 3) * kQartodPass +
                                (r == 2) * kQartodNotEvaluated + (r <= 1) * kQartodMissing);
}

void RaiseRanks(const uint8_t* __restrict flags, std::size_t count, uint8_t* __restrict ranks)
{
    for (std::size_t i = 0; i < count; ++i)
        ranks[i] = std::max(ranks[i], Rank(flags[i]));
}

}  // namespace

void QartodAggregate(std::initializer_list<const uint8_t*> tests, std::size_t count, uint8_t* aggregate)
{
    std::fill(aggregate, aggregate + count, 0);  // ranks first
    for (const uint8_t* flags : tests)
        RaiseRanks(flags, count, aggregate);
    for (std::size_t i = 0; i < count; ++i)
        aggregate[i] = FlagOfRank(aggregate[i]);
}
