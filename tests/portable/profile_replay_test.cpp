// The export's second reading of a profile: the scans the run read of it,
// from where it starts in its data file, and a file that changed since.

#include "export/profile_replay.h"
#include "formats/run_choices.h"
#include "platform/platform.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProfileReplay, GivesTheScansTheRunReadAndNoMore)
{
    TempDir dir;
    DeploymentShape shape;  // 4 scans a profile; profiles 0..2 in C0000000.DAT
    WriteFileBytes(dir / "C0000000.DAT", DataFileBytes(shape, KindCtd, 0));
    const std::vector<std::string> files{"C0000000.DAT"};
    const DecodeOptions options{false, false, CtdConstants{1, 0, 1, 0, 1, 0}};

    struct Case {
        const char* what;
        int8_t status;  // how the run's reading of profile 1 ended
        uint32_t scans;  // and the scans it read
        bool ok;
    };
    const Case cases[] = {
        {"read whole", kStatusComplete, 4, true},
        {"cancelled after 2 scans: the first 2", kStatusNotRead, 2, true},
        {"a read error after 3 scans: the first 3", kStatusReadError, 3, true},
        {"the file holds more than the run read: changed", kStatusComplete, 3, false},
        {"the file holds fewer than the run read: changed", kStatusComplete, 5, false},
        {"the file had ended among the scans and holds more now", kStatusTruncated, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProfileRecord r;
        r.number = 1;
        r.status = c.status;
        r.scans = c.scans;
        r.dataFile = 0;
        r.offset = CtdProfileBytes(shape, 0).size();
        std::vector<unsigned char> raw(3 * ScanSize(Instrument::Ctd));
        std::size_t taken = 0;
        ProfileReplay replay(Instrument::Ctd, files, WithSeparator(dir.str()), options);
        replay.Into(raw.data(), 3, [&](std::size_t count) {
            taken += count;
            return true;
        });
        EXPECT_EQ(replay.Read(r) && replay.Flush(), c.ok) << replay.Error();
        if (c.ok)
            EXPECT_EQ(taken, c.scans);
        else
            EXPECT_NE(replay.Error().find("C0000000.DAT no longer holds the scans of profile 1"), std::string::npos)
                << replay.Error();
    }
}

}  // namespace
