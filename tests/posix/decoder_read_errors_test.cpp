// Read errors, as opposed to an early end of file: a folder opened as a file
// reads with an error on POSIX.
#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/engineering.h"
#include "formats/irq_log.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ReadErrors : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        Settings.HumanReadible = 1;
        ResetTestLog();
        TheUnpackJob().ClearCancel();
        in_ = std::fopen(dir_.str().c_str(), "rb");
        ASSERT_NE(in_, nullptr);
    }
    void TearDown() override
    {
        if (in_)
            std::fclose(in_);
        Settings = saved_;
    }
    static DecodeOptions Options() { return SettingsDecodeOptions(); }
    TempDir dir_;
    std::FILE* in_ = nullptr;
    SettingsRecord saved_;
};

TEST_F(ReadErrors, CtdStopsWithoutAMessage)
{
    OutputFile text, log;
    EXPECT_EQ(UnpackCtdProfile(text.get(), in_, 3, log.get(), Options()), DecodeResult::ReadError);
    EXPECT_EQ(text.text(), "\r\n\r\n Profile 3\r\n\r\n  mmho/cm   Celsius    dbars\r\n\r\n");
    EXPECT_STREQ(LogTake(), "");
    EXPECT_EQ(log.text(), "");
}

TEST_F(ReadErrors, AcmNotesTheErrorInBothForms)
{
    for (int human : {0, 1}) {
        Settings.HumanReadible = human;
        ResetTestLog();
        OutputFile text;
        EXPECT_EQ(UnpackAcmProfile(text.get(), in_, 3, nullptr, Options()), DecodeResult::ReadError);
        std::string t = text.text();
        EXPECT_EQ(t.substr(t.find(" Error")), " Error occurred reading from file\r\n");
        EXPECT_STREQ(LogTake(), "Error reading from ACM file for profile 3\r\n");
    }
}

// A sink is told of a read error as such, not as the end of the file.
TEST_F(ReadErrors, SinksHearOfAReadErrorNotOfTheFileEnding)
{
    struct Ends final : ProfileSink {
        void EndProfile(ProfileEnd end) override { ends.push_back(end); }
        std::vector<ProfileEnd> ends;
    } sink;
    using Decoder = DecodeResult (*)(std::FILE*, uint32_t, const DecodeOptions&, ProfileSink&, Reporter&);
    for (Decoder decode : {DecodeEngineeringProfile, DecodeCtdProfile, DecodeAcmProfile}) {
        std::clearerr(in_);
        EXPECT_EQ(decode(in_, 3, Options(), sink, JobReporter()), DecodeResult::ReadError);
    }
    EXPECT_TRUE(sink.ends == std::vector<ProfileEnd>(3, ProfileEnd::ReadError));
}

TEST_F(ReadErrors, IrqLogKeepsWhatItWroteAndFails)
{
    std::string output = (dir_ / "IRQ_XCPT.TXT").string();
    EXPECT_EQ(UnpackIrqFile(dir_.str(), output, Options()), DecodeResult::ReadError);
    EXPECT_STREQ(LogTake(), "Error reading from IRQ exception log file\r\n");
    EXPECT_EQ(ReadFileText(output), "");
}

}  // namespace
