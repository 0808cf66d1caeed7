#include "app/profile_range.h"

#include "app/settings_record.h"

bool ProfileRangeAccepted(const ProfileChoice& choice, uint32_t maxProfile)
{
    if (choice.unpackAll || (choice.kinds & (KindEngineering | KindCtd | KindAcm)) == 0)
        return true;
    switch (choice.range) {
    case RangeSingleProfile:
        return choice.first <= maxProfile;
    case RangeProfiles:
        return choice.first <= choice.last && choice.last <= maxProfile;
    default:
        return true;
    }
}
