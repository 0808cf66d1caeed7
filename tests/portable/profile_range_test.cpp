#include "app/profile_range.h"
#include "app/settings_record.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ProfileRange, NumbersWithinTheDeploymentAndInOrder)
{
    const int kinds = KindEngineering | KindDeployment;
    const struct {
        ProfileChoice choice;
        uint32_t maxProfile;
        bool accepted;
    } cases[] = {
        // A single profile: 0 .. maxProfile.
        {{false, kinds, RangeSingleProfile, 0, 99}, 0, true},
        {{false, kinds, RangeSingleProfile, 11, 0}, 11, true},
        {{false, kinds, RangeSingleProfile, 12, 0}, 11, false},
        {{false, kinds, RangeSingleProfile, UINT32_MAX, 0}, 11, false},  // -1 from a settings file
        // A range: first <= last, both within.
        {{false, kinds, RangeProfiles, 0, 11}, 11, true},
        {{false, kinds, RangeProfiles, 4, 4}, 11, true},
        {{false, kinds, RangeProfiles, 5, 4}, 11, false},
        {{false, kinds, RangeProfiles, 4, 12}, 11, false},
        {{false, kinds, RangeProfiles, 12, 13}, 11, false},
        {{false, kinds, RangeProfiles, 0, UINT32_MAX}, UINT32_MAX, true},
        // Each profile kind makes the numbers count.
        {{false, KindCtd, RangeProfiles, 5, 4}, 11, false},
        {{false, KindAcm, RangeSingleProfile, 12, 0}, 11, false},
        // No numbers needed: every kind, only the logs, the entire deployment
        // or a mode no page writes.
        {{true, kinds, RangeProfiles, 5, 4}, 11, true},
        {{false, KindDeployment | KindException, RangeProfiles, 5, 4}, 11, true},
        {{false, 0, RangeSingleProfile, 12, 0}, 11, true},
        {{false, kinds, RangeEntireDeployment, 12, 4}, 11, true},
        {{false, kinds, 7, 12, 4}, 11, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProfileRangeAccepted(c.choice, c.maxProfile), c.accepted)
            << "unpackAll " << c.choice.unpackAll << " kinds " << c.choice.kinds << " range " << c.choice.range << " "
            << c.choice.first << "-" << c.choice.last << " max " << c.maxProfile;
}

}  // namespace
