#pragma once
// The profile numbers a run may take: the rule the file types page applies on
// Next and davrolin-unpack applies before a run, with the same messages
// (MessageId::BadRange, and BadRangeCaption for the page's message box).

#include <cstdint>

// The choices the rule looks at.
struct ProfileChoice {
    bool unpackAll;     // every kind of the entire deployment: no numbers
    int kinds;          // FileKind bits
    int range;          // RangeMode; any other value needs no numbers
    uint32_t first;     // the single profile, or the first of a range
    uint32_t last;      // the last of a range
};

// True when the choice can be unpacked from a deployment whose highest profile
// number is `maxProfile`. The numbers count only without UnpackAll and with a
// profile kind (Engineering, CTD or ACM): then a single profile lies within
// 0..maxProfile, and a range has first <= last with both within 0..maxProfile.
bool ProfileRangeAccepted(const ProfileChoice& choice, uint32_t maxProfile);
