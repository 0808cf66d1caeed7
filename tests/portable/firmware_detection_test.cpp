#include "formats/firmware_detection.h"

#include "app/settings_record.h"
#include "formats/deployment.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

namespace {

Bytes Record(bool layout301, int16_t word)
{
    DeploymentRecord r = SampleDeployment(layout301);
    r.version = word;
    return Bytes().deployment(r);
}

TEST(FirmwareDetection, VersionWordAndRecordSize)
{
    const Bytes r301 = Record(true, 301), r304 = Record(false, 304);
    struct Case {
        const char* what;
        Bytes bytes;
        FirmwareVerdict verdict;
        int firmware;
        int16_t word;
    };
    const Case cases[] = {
        {"3.01 record", r301, FirmwareVerdict::Found, Firmware301, 301},
        {"3.04 record", r304, FirmwareVerdict::Found, Firmware304, 304},
        {"3.04 record, word 303", Record(false, 303), FirmwareVerdict::Found, Firmware304, 303},
        {"3.01 word, trailing bytes", Record(true, 301).zeros(40), FirmwareVerdict::Found, Firmware301, 301},
        {"3.04 word, 3.01-sized record", Record(true, 304), FirmwareVerdict::Short, Firmware304, 304},
        {"3.01 word, cut record", r301.first(100), FirmwareVerdict::Short, Firmware301, 301},
        {"3.04 word alone", Bytes().i16(304), FirmwareVerdict::Short, Firmware304, 304},
        {"empty", Bytes(), FirmwareVerdict::Short, -1, 0},
        {"one byte", Bytes().u8(0x01), FirmwareVerdict::Short, -1, 0},
        {"word 302", Record(false, 302), FirmwareVerdict::UnknownWord, -1, 302},
        {"word 0", Record(false, 0), FirmwareVerdict::UnknownWord, -1, 0},
        {"word -1", Record(false, -1), FirmwareVerdict::UnknownWord, -1, -1},
        // 301 and 304 with their bytes swapped: the word is big-endian.
        {"word 0x2D01", Record(true, 0x2D01), FirmwareVerdict::UnknownWord, -1, 0x2D01},
        {"word 0x3001", Record(false, 0x3001), FirmwareVerdict::UnknownWord, -1, 0x3001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FirmwareDetection d = DetectFirmware(c.bytes.data.data(), c.bytes.size());
        EXPECT_EQ(d.verdict, c.verdict);
        EXPECT_EQ(d.firmware, c.firmware);
        EXPECT_EQ(d.word, c.word);
        EXPECT_EQ(d.size, c.bytes.size());
    }
}

TEST(FirmwareDetection, File)
{
    TempDir dir;
    EXPECT_EQ(DetectFirmwareOfFile((dir / "DEPLOY.DAT").string()).verdict, FirmwareVerdict::Unreadable);

    // The name is matched without regard to letter case; only the first
    // record's worth of bytes is read.
    WriteFileBytes(dir / "deploy.dat", Record(true, 301).zeros(1000));
    FirmwareDetection d = DetectFirmwareOfFile((dir / "DEPLOY.DAT").string());
    EXPECT_EQ(d.verdict, FirmwareVerdict::Found);
    EXPECT_EQ(d.firmware, Firmware301);
    EXPECT_EQ(d.size, kDeployRecord304Size);

    WriteFileBytes(dir / "deploy.dat", Record(false, 304).first(133));
    d = DetectFirmwareOfFile((dir / "DEPLOY.DAT").string());
    EXPECT_EQ(d.verdict, FirmwareVerdict::Short);
    EXPECT_EQ(d.size, 133u);

    // A folder of that name is no file to read.
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_directory(dir / "sub" / "DEPLOY.DAT");
    EXPECT_EQ(DetectFirmwareOfFile((dir / "sub" / "DEPLOY.DAT").string()).verdict, FirmwareVerdict::Unreadable);
}

}  // namespace
