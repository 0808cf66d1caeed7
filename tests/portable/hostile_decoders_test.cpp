// CTD, ACM, exception log and deployment files that are empty, erased (all
// 0xFF) or hold a profile whose end mark never came. Each decoder ends with its
// own message where the file ends, reads a huge file as it goes without
// holding it, and reads erased space as what the bytes say.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "formats/irq_log.h"
#include "formats/text_format.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Kind {
    const char* name;
    ProfileDecoder decoder;
    std::size_t scanSize;
    std::size_t profileOfOnes;  // the end mark and the sensor times
    DecodeResult resultAtEnd;   // a file ending among the scans
    const char* readError;      // with the profile number
    const char* endNote;         // written into the profile's text at the end
};

const Kind kKinds[] = {
    {"CTD", UnpackCtdProfile, kCtdScanSize, 17, DecodeResult::Done, "Error reading from CTD file for profile %u\r\n",
     "\r\n End of file reached\r\n"},
    {"ACM", UnpackAcmProfile, kAcmScanSize, 26, DecodeResult::ReadError, "Error reading from ACM file for profile %u\r\n",
     " End of file reached for file\r\n"},
};

class HostileDecoders : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        savedRecord_ = TestDeployment;
        TestDeployment = DeploymentRecord{};
        TestDeployment.fsiEmCtd = 1;
        Settings.HumanReadible = 1;
        Settings.FirmwareVers = Firmware304;
        ResetTestLog();
        TheUnpackJob().ClearCancel();
    }
    void TearDown() override
    {
        Settings = saved_;
        TestDeployment = savedRecord_;
    }
    static DecodeOptions Options() { return SettingsDecodeOptions(); }
    SettingsRecord saved_;
    DeploymentRecord savedRecord_;
};

TEST_F(HostileDecoders, EmptyFileEndsTheFirstProfileWithItsMessage)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        ResetTestLog();
        InputFile in(Bytes{});
        OutputFile text, times;
        EXPECT_EQ(k.decoder(text.get(), in.get(), 30, times.get(), Options()), k.resultAtEnd);
        EXPECT_EQ(LogTake(), FormatString(k.readError, 30u));
        EXPECT_NE(text.text().find(k.endNote), std::string::npos) << text.text();
        EXPECT_EQ(times.text(), "");
    }
}

// 0xFF bytes make an end mark at once, then sensor times of -1: every few
// bytes an empty profile switched on and off one second before 1970.
TEST_F(HostileDecoders, AllOnesReadAsEmptyProfiles)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        ResetTestLog();
        Bytes file;
        file.fill(0xFF, 3 * k.profileOfOnes);
        InputFile in(file);
        OutputFile times;
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_EQ(k.decoder(nullptr, in.get(), i, times.get(), Options()), DecodeResult::Done) << i;
        EXPECT_EQ(in.position(), static_cast<long>(file.size()));
        EXPECT_EQ(LogTake(), std::string());
        EXPECT_NE(times.text().find(std::string("\r\n Profile 2 ") + k.name + " turned off at 12/31/1969 23:59:59\r\n"),
                  std::string::npos)
            << times.text();
    }

    // The exception log: one "Unknown exception" line per 6 bytes.
    TempDir dir;
    Bytes ones;
    ones.fill(0xFF, 6 * 4 + 3);
    WriteFileBytes(dir / "IRQ_XCPT.LOG", ones);
    EXPECT_EQ(UnpackIrqFile((dir / "IRQ_XCPT.LOG").string(), (dir / "IRQ_XCPT.TXT").string(), Options()),
              DecodeResult::Done);
    std::string line = "\r\n 12/31/1969 23:59:59  Unknown exception", lines;
    for (int i = 0; i < 4; ++i)
        lines += line;
    EXPECT_EQ(ReadFileText(dir / "IRQ_XCPT.TXT"), lines);

    // The deployment file: a whole report of -1 values, no failure.
    Bytes record;
    record.fill(0xFF, kDeployRecord304Size);
    WriteFileBytes(dir / "DEPLOY.DAT", record);
    EXPECT_EQ(UnpackDeploymentFile((dir / "DEPLOY.DAT").string(), (dir / "DEPLOY.TXT").string(), Options()),
              DecodeResult::Done);
    const std::string report = ReadFileText(dir / "DEPLOY.TXT");
    EXPECT_NE(report.find(" Countdown delay                23:59:59 [HH:MM:SS]"), std::string::npos) << report;
    EXPECT_NE(report.find(" Profiles / file set                  -1"), std::string::npos) << report;
    EXPECT_STREQ(LogTake(), "");
}

// Millions of bytes of scans and no end mark: read to the end as they come,
// then the kind's message; the profile never sits in memory.
TEST_F(HostileDecoders, HugeProfileWithoutEndMarkIsBoundedByTheFile)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        constexpr std::size_t kBytes = 8 << 20;
        const std::size_t scans = kBytes / k.scanSize;
        TempDir dir;
        const auto path = dir / "data.dat";
        {
            Bytes scan;
            scan.fill(0x40, k.scanSize);
            std::FILE* f = std::fopen(path.string().c_str(), "wb");
            ASSERT_NE(f, nullptr);
            for (std::size_t i = 0; i < scans; ++i)
                std::fwrite(scan.data.data(), 1, scan.size(), f);
            std::fclose(f);
        }
        ResetTestLog();
        std::FILE* in = std::fopen(path.string().c_str(), "rb");
        ASSERT_NE(in, nullptr);
        const std::size_t before = PeakMemoryBytes();
        EXPECT_EQ(k.decoder(nullptr, in, 7, nullptr, Options()), k.resultAtEnd);
        const std::size_t after = PeakMemoryBytes();
        EXPECT_EQ(std::ftell(in), static_cast<long>(scans * k.scanSize));
        std::fclose(in);
        EXPECT_EQ(LogTake(), FormatString(k.readError, 7u));
        EXPECT_LT(after - before, kBytes / 4) << "the profile was held in memory";
    }
}

}  // namespace
