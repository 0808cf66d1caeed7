// Engineering files as they turn up after a bad day at sea: cut off anywhere
// (a card pulled while the vehicle was writing), empty, erased (all 0xFF), or a
// last profile that never got its end mark. Every walk over a file ends, the
// profile at fault is named in the log, and what was written for the profiles
// before it stays exactly as a whole file gives it.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/engineering.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int32_t T0 = 1719792000;  // 2024-07-01 00:00:00 UTC
constexpr uint32_t kBase = 40;      // file base of the files below

// What a walk over one file gave: the result of each call, the text written
// and the termination rows, with their lengths after each whole profile.
struct Walk {
    std::vector<DecodeResult> results;
    std::string text;
    std::string timetags;
    std::vector<std::size_t> textEnds;
    std::vector<std::size_t> rowEnds;
    std::string log;
};

// Decodes the profiles of the file at `path` one after another as the unpack
// job does: until a call fails or `profiles` profiles are done. The text and
// the termination rows go to scratch files in `dir`.
Walk DecodeFile(const TempDir& dir, const std::filesystem::path& path, bool write, std::size_t profiles)
{
    ResetTestLog();
    std::FILE* in = std::fopen(path.string().c_str(), "rb");
    std::FILE* text = std::fopen((dir / "text.txt").string().c_str(), "w+b");
    std::FILE* rows = std::fopen((dir / "rows.txt").string().c_str(), "w+b");
    EXPECT_TRUE(in && text && rows);
    Walk walk;
    auto size = [](std::FILE* f) {
        std::fflush(f);
        return static_cast<std::size_t>(std::ftell(f));
    };
    for (uint32_t index = 0; in && text && rows && index < profiles; ++index) {
        const DecodeResult r =
            UnpackEngineeringProfile(write ? text : nullptr, in, kBase + index, rows, SettingsDecodeOptions());
        walk.results.push_back(r);
        if (r != DecodeResult::Done)
            break;
        walk.textEnds.push_back(size(text));
        walk.rowEnds.push_back(size(rows));
    }
    for (std::FILE* f : {in, text, rows})
        if (f)
            std::fclose(f);
    walk.text = ReadFileText(dir / "text.txt");
    walk.timetags = ReadFileText(dir / "rows.txt");
    walk.log = LogTake();
    return walk;
}

Walk DecodeBytes(const Bytes& file, bool write, std::size_t profiles)
{
    TempDir dir;
    WriteFileBytes(dir / "E0000040.DAT", file);
    return DecodeFile(dir, dir / "E0000040.DAT", write, profiles);
}

std::string ReadError(uint32_t profile)
{
    return "Error reading from engineering file for profile " + std::to_string(profile) + "\r\n";
}

struct Mode {
    int firmware;
    bool human;
    bool write;
};

const Mode kModes[] = {
    {Firmware301, true, true},
    {Firmware304, true, true},
    {Firmware301, false, true},
    {Firmware304, false, false},
};

class HostileEngineering : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        TheUnpackJob().ClearCancel();
    }
    void TearDown() override { Settings = saved_; }
    void Use(const Mode& mode)
    {
        Settings.FirmwareVers = mode.firmware;
        Settings.HumanReadible = mode.human ? 1 : 0;
    }
    SettingsRecord saved_;
};

// Three profiles: scans, a restart in mid-profile, and each kind of end mark.
Bytes ThreeProfiles(int firmware, std::vector<std::size_t>& ends)
{
    Bytes b;
    auto scan = [&](int32_t t) {
        if (firmware == Firmware301)
            b.scan301(t, 100, 14.5f, 2.25f);
        else
            b.scan304(t, 100, 14.5f, 2.25f, 1.5f, 10, 3.25f, -1);
    };
    b.engHeader(T0, T0 + 1);
    scan(T0 + 2);
    b.stop(MarkerBacktrack, 1, 2, T0 + 3, T0 + 4);
    scan(T0 + 5);
    b.stop(MarkerProfileEnd, 14, 0, T0 + 6, T0 + 7);
    ends.push_back(b.size());
    b.engHeader(T0 + 10, T0 + 11).stop(MarkerProfileEnd, 13, 0, T0 + 12, T0 + 13);
    ends.push_back(b.size());
    b.engHeader(T0 + 20, T0 + 21);
    scan(T0 + 22);
    b.stop(MarkerOperatorStop, 2, 2, T0 + 23, T0 + 24);
    ends.push_back(b.size());
    return b;
}

TEST_F(HostileEngineering, FileCutAtEveryByteKeepsTheProfilesBeforeTheCut)
{
    for (const Mode& mode : kModes) {
        Use(mode);
        std::vector<std::size_t> ends;
        const Bytes file = ThreeProfiles(mode.firmware, ends);
        TempDir dir;
        const auto path = dir / "E0000040.DAT";
        WriteFileBytes(path, file);
        const Walk whole = DecodeFile(dir, path, mode.write, 3);
        ASSERT_EQ(whole.results, std::vector<DecodeResult>(3, DecodeResult::Done));
        ASSERT_EQ(whole.log, "");
        ASSERT_EQ(whole.rowEnds.size(), 3u);

        // The same file, shorter by a byte each time.
        for (std::size_t cut = file.size(); cut-- > 0;) {
            std::filesystem::resize_file(path, cut);
            SCOPED_TRACE("firmware " + std::to_string(mode.firmware) + " human " + std::to_string(mode.human) +
                         " cut at " + std::to_string(cut));
            std::size_t done = 0;  // whole profiles before the cut
            while (done < ends.size() && ends[done] <= cut)
                ++done;
            const Walk walk = DecodeFile(dir, path, mode.write, 3);

            std::vector<DecodeResult> expected(done, DecodeResult::Done);
            expected.push_back(DecodeResult::ReadError);
            EXPECT_EQ(walk.results, expected);
            EXPECT_EQ(walk.log, ReadError(kBase + static_cast<uint32_t>(done)));
            if (!mode.write) {
                EXPECT_EQ(walk.text, "");
                EXPECT_EQ(walk.timetags, "");
                continue;
            }
            // The profiles before the cut are whole and unchanged; the cut one
            // keeps what was written of it and gets no termination row.
            const std::size_t kept = done ? whole.textEnds[done - 1] : 0;
            EXPECT_GE(walk.text.size(), kept);
            EXPECT_EQ(walk.text, whole.text.substr(0, walk.text.size()));
            EXPECT_EQ(walk.timetags, whole.timetags.substr(0, done ? whole.rowEnds[done - 1] : 0));
        }
    }
}

TEST_F(HostileEngineering, EmptyFileNamesTheFirstProfileAndWritesNothing)
{
    for (const Mode& mode : kModes) {
        Use(mode);
        const Walk walk = DecodeBytes(Bytes{}, mode.write, 5);
        EXPECT_EQ(walk.results, std::vector<DecodeResult>{DecodeResult::ReadError});
        EXPECT_EQ(walk.log, ReadError(kBase));
        EXPECT_EQ(walk.text, "");
        EXPECT_EQ(walk.timetags, "");
    }
}

// Erased flash reads as all 0xFF: a header of -1 times, then the -1 end mark
// and a stop record of -1s, so every 24 bytes are one empty closed profile
// stamped one second before 1970, with unknown status codes.
TEST_F(HostileEngineering, AllOnesReadAsEmptyClosedProfilesUntilTheFileEnds)
{
    for (const Mode& mode : kModes) {
        Use(mode);
        Bytes file;
        file.fill(0xFF, 4 * 24 + 5);
        const Walk walk = DecodeBytes(file, mode.write, 100);
        std::vector<DecodeResult> expected(4, DecodeResult::Done);
        expected.push_back(DecodeResult::ReadError);
        EXPECT_EQ(walk.results, expected);
        EXPECT_EQ(walk.log, ReadError(kBase + 4));
        if (!mode.write || !mode.human)
            continue;
        EXPECT_EQ(walk.text.substr(0, walk.textEnds[0]),
                  "\r\n\r\n Profile 40"
                  "\r\n\r\n Sensors were turned on at  12/31/1969 23:59:59"
                  "\r\n Vehicle began profiling at 12/31/1969 23:59:59"
                  "\r\n\r\n    Date      Time     [mA]    [V]    [dbar]" +
                      std::string(mode.firmware == Firmware301 ? "\r\n"
                                                               : "       Fluor[mV]  Gain    Turb[mV]   Gain\r\n") +
                      "\r\n\r\n Ramp exit:     CANNOT IDENTIFY MSG"
                      "\r\n Profile exit:  CANNOT IDENTIFY MSG"
                      "\r\n\r\n Vehicle motion stopped at 12/31/1969 23:59:59"
                      "\r\n Sensor logging stopped at 12/31/1969 23:59:59");
        EXPECT_EQ(walk.timetags.substr(0, walk.rowEnds[0]),
                  " 0000040  12/31/1969 23:59:59  12/31/1969 23:59:59  12/31/1969 23:59:59  12/31/1969 23:59:59"
                  "        -1  [CANNOT IDENTIFY MSG]        -1  [CANNOT IDENTIFY MSG]\r\n");
    }
}

// A last profile with a million scans and no end mark: read to the end of the
// file as it goes, never held in memory, and reported as cut short.
TEST_F(HostileEngineering, HugeProfileWithoutEndMarkIsReadToTheEndInBoundedMemory)
{
    Use({Firmware301, false, false});
    constexpr std::size_t kScans = 1000000;
    TempDir dir;
    const auto path = dir / "E0000040.DAT";
    {
        Bytes header, scan;
        header.engHeader(T0, T0);
        scan.scan301(T0 + 1, 1, 2, 3);
        std::FILE* f = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(header.data.data(), 1, header.size(), f);
        for (std::size_t i = 0; i < kScans; ++i)
            std::fwrite(scan.data.data(), 1, scan.size(), f);
        std::fclose(f);
    }
    const long size = static_cast<long>(8 + kScans * 16);

    ResetTestLog();
    std::FILE* in = std::fopen(path.string().c_str(), "rb");
    ASSERT_NE(in, nullptr);
    const std::size_t before = PeakMemoryBytes();
    EXPECT_EQ(UnpackEngineeringProfile(nullptr, in, kBase, nullptr, SettingsDecodeOptions()),
              DecodeResult::ReadError);
    const std::size_t after = PeakMemoryBytes();
    EXPECT_EQ(std::ftell(in), size);
    std::fclose(in);
    EXPECT_STREQ(LogTake(), ReadError(kBase).c_str());
    EXPECT_LT(after - before, static_cast<std::size_t>(size) / 4) << "the profile was held in memory";
}

}  // namespace
