#include "app/settings_record.h"
#include "formats/irq_log.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int32_t T0 = 1719792000;  // 2024-07-01 00:00:00 UTC

class IrqLog : public DecoderTest {
protected:
    void SetUp() override
    {
        DecoderTest::SetUp();
        std::strcpy(Settings.Prefix, "P_");
    }
    // Writes `bytes` as the log, converts it and returns the text.
    std::string Convert(const Bytes& bytes, bool human, DecodeResult expected = DecodeResult::Done)
    {
        Settings.HumanReadible = human ? 1 : 0;
        WriteFileBytes(input(), bytes);
        EXPECT_EQ(UnpackIrqFile(input(), output(), Options()), expected);
        return ReadFileText(output());
    }
    std::string input() const { return (dir_ / "IRQ_XCPT.LOG").string(); }
    std::string output() const { return (dir_ / "P_IRQ_XCPT.TXT").string(); }
    TempDir dir_;
};

TEST_F(IrqLog, OneLinePerRecordInBothForms)
{
    Bytes b;
    b.irq(T0, 0).irq(T0 + 1, 1).irq(T0 + 2, 2).irq(T0 + 3, 3).irq(T0 + 4, 4).irq(T0 + 5, 5).irq(T0 + 6, -1);
    EXPECT_EQ(Convert(b, true),
              "\r\n 07/01/2024 00:00:00  Log file creation time."
              "\r\n 07/01/2024 00:00:01  Watchdog IRQ acknowledged."
              "\r\n 07/01/2024 00:00:02  Transponder IRQ acknowledged."
              "\r\n 07/01/2024 00:00:03  Critical fault recovery and reset."
              "\r\n 07/01/2024 00:00:04  Unattended system reset by watchdog."
              "\r\n 07/01/2024 00:00:05  Unknown exception"
              "\r\n 07/01/2024 00:00:06  Unknown exception");
    EXPECT_EQ(Convert(Bytes().irq(T0, 4).irq(0, 32767), false),
              "\r\n 07 01 2024 00 00 00  Unattended system reset by watchdog."
              "\r\n 01 01 1970 00 00 00  Unknown exception");
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(IrqLog, EmptyLogAndTrailingPartialRecordEndSilently)
{
    EXPECT_EQ(Convert(Bytes(), true), "");
    Bytes whole;
    whole.irq(T0, 1).irq(T0 + 1, 2);
    for (std::size_t extra = 1; extra < kIrqRecordSize; ++extra)
        EXPECT_EQ(Convert(whole.first(kIrqRecordSize + extra), false),
                  "\r\n 07 01 2024 00 00 00  Watchdog IRQ acknowledged.")
            << extra;
    EXPECT_STREQ(LogTake(), "");
}

TEST_F(IrqLog, OpenAndCreateFailures)
{
    Settings.HumanReadible = 1;
    EXPECT_EQ(UnpackIrqFile(input(), output(), Options()), DecodeResult::OpenError);
    EXPECT_STREQ(LogTake(), "Error opening IRQ exception log IRQ_XCPT.DAT\r\n");
    EXPECT_FALSE(std::filesystem::exists(output()));

    ResetTestLog();
    WriteFileBytes(input(), Bytes().irq(T0, 0));
    std::string unwritable = (dir_ / "missing" / "P_IRQ_XCPT.TXT").string();
    EXPECT_EQ(UnpackIrqFile(input(), unwritable, Options()), DecodeResult::OpenError);
    EXPECT_STREQ(LogTake(), "Error creating IRQ exception log P_IRQ_XCPT.TXT\r\n");
}

TEST_F(IrqLog, InputNameIsMatchedWithoutRegardToCase)
{
    WriteFileBytes(dir_ / "irq_xcpt.log", Bytes().irq(T0, 2));
    Settings.HumanReadible = 0;
    EXPECT_EQ(UnpackIrqFile(input(), output(), Options()), DecodeResult::Done);
    EXPECT_EQ(ReadFileText(output()), "\r\n 07 01 2024 00 00 00  Transponder IRQ acknowledged.");
}

TEST_F(IrqLog, CancelStopsBeforeTheFirstRecord)
{
    TheUnpackJob().Cancel();
    EXPECT_EQ(Convert(Bytes().irq(T0, 0), true, DecodeResult::Cancelled), "");
    EXPECT_STREQ(LogTake(), "Operation cancelled by user\r\n");
}

}  // namespace
