#include "export/profile_record.h"

#include <algorithm>
#include <cmath>

void SetProfileTimes(std::vector<ProfileRecord>& profiles, Instrument instrument,
                     const std::vector<ProfileRecord>& engineering, int32_t interval)
{
    auto engineeringOf = [&](uint32_t number) -> const ProfileRecord* {
        const auto at = std::lower_bound(engineering.begin(), engineering.end(), number,
                                         [](const ProfileRecord& r, uint32_t n) { return r.number < n; });
        return at != engineering.end() && at->number == number ? &*at : nullptr;
    };
    for (ProfileRecord& r : profiles) {
        r.time = std::numeric_limits<double>::quiet_NaN();
        r.timeSource = kByteFill;
        const ProfileRecord* e = instrument == Instrument::Engineering ? &r : engineeringOf(r.number);
        if (instrument != Instrument::Engineering && !std::isnan(r.sensorOn)) {
            r.time = r.sensorOn;
            r.timeSource = kTimeSensorOn;
        } else if (e && !std::isnan(e->motionStart)) {
            r.time = e->motionStart;
            r.timeSource = kTimeEngineeringMotionStart;
        } else if (e && !std::isnan(e->sensorOn)) {
            r.time = e->sensorOn;
            r.timeSource = kTimeEngineeringSensorOn;
        }
    }
    if (interval <= 0)
        return;
    // The schedule, from the nearest profile with a time of its own.
    std::vector<std::size_t> timed;
    for (std::size_t i = 0; i < profiles.size(); ++i)
        if (profiles[i].timeSource != kByteFill)
            timed.push_back(i);
    if (timed.empty())
        return;
    std::size_t next = 0;  // the first timed profile after i
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        while (next < timed.size() && timed[next] <= i)
            ++next;
        ProfileRecord& r = profiles[i];
        if (r.timeSource != kByteFill)
            continue;
        const ProfileRecord* before = next > 0 ? &profiles[timed[next - 1]] : nullptr;
        const ProfileRecord* after = next < timed.size() ? &profiles[timed[next]] : nullptr;
        const ProfileRecord* from =
            !after || (before && r.number - before->number <= after->number - r.number) ? before : after;
        r.time = from->time + static_cast<double>(interval) *
                                  (static_cast<double>(r.number) - static_cast<double>(from->number));
        r.timeSource = kTimeSchedule;
    }
}
