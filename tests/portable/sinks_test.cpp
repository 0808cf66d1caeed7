// A second sink beside the text writer. The same decoders, called as the job
// calls them, hand their values to a sink that only collects them; printed with
// the formats of the text files, the collected values give the text files' rows
// byte for byte, so another writer (the export) gets the numbers the texts
// print. The collected ends of profiles say how each reading ended.

#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "formats/deployment_text.h"
#include "formats/engineering.h"
#include "formats/irq_log.h"
#include "formats/sink.h"
#include "formats/termination_log.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"
#include "tests/fixture/decoder_test.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/job_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int32_t T0 = 1719792000;  // 2024-07-01 00:00:00 UTC

// Keeps everything it is handed, in order.
class CollectingSink final : public ProfileSink, public DeploymentSink, public IrqSink {
public:
    struct Profile {
        uint32_t number = 0;
        int32_t sensorOn = 0, motionStart = 0;  // engineering
        std::vector<EngineeringValues> engineering;
        std::vector<CtdValues> ctd;
        std::vector<AcmValues> acm;
        std::vector<std::pair<int32_t, StopRecord>> stops;
        bool hasSensorTimes = false;
        int32_t on = 0, off = 0;
        bool ended = false;
        ProfileEnd end = ProfileEnd::Complete;
        std::string order;  // one letter per call: B T E S C A O X
    };

    void BeginProfile(uint32_t profile) override
    {
        profiles.emplace_back();
        profiles.back().number = profile;
        Last().order += 'B';
    }
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override
    {
        Last().sensorOn = sensorOn;
        Last().motionStart = motionStart;
        Last().order += 'T';
    }
    void EngineeringScan(const EngineeringValues& scan) override
    {
        Last().engineering.push_back(scan);
        Last().order += 'E';
    }
    void Stop(int32_t marker, const StopRecord& stop) override
    {
        Last().stops.emplace_back(marker, stop);
        Last().order += 'S';
    }
    void CtdScan(const CtdValues& scan) override
    {
        Last().ctd.push_back(scan);
        Last().order += 'C';
    }
    void AcmScan(const AcmValues& scan) override
    {
        Last().acm.push_back(scan);
        Last().order += 'A';
    }
    void SensorTimes(int32_t on, int32_t off) override
    {
        Last().hasSensorTimes = true;
        Last().on = on;
        Last().off = off;
        Last().order += 'O';
    }
    void EndProfile(ProfileEnd end) override
    {
        Last().ended = true;
        Last().end = end;
        Last().order += 'X';
    }
    void Record(const DeploymentRecord& record) override { deployments.push_back(record); }
    void Record(int32_t time, int16_t code) override { irq.emplace_back(time, code); }

    std::vector<Profile> profiles;
    std::vector<DeploymentRecord> deployments;
    std::vector<std::pair<int32_t, int16_t>> irq;

private:
    Profile& Last() { return profiles.back(); }
};

// The rows of the text files, printed here from the collected values with
// the formats the text files use.
std::string Stamp(int32_t time, bool human)
{
    char text[20];
    TimeStampText(time, human, text);
    return text;
}

std::string EngineeringRows(const CollectingSink::Profile& p, bool layout301)
{
    std::string rows;
    for (const EngineeringValues& v : p.engineering) {
        const std::string stamp = Stamp(v.time, false);
        if (layout301)
            rows += FormatString(" %s   %4.0f   %4.1f   %8.3f\r\n", stamp.c_str(), double{v.current},
                                 double{v.voltage}, double{v.pressure});
        else
            rows += FormatString(" %s   %4.0f   %4.1f   %8.3f   %9.2f   %4d   %9.2f   %4d\r\n", stamp.c_str(),
                                 double{v.current}, double{v.voltage}, double{v.pressure},
                                 double{v.fluorometer}, v.fluorometerGain, double{v.turbidity},
                                 v.turbidityGain);
    }
    return rows;
}

std::string CtdRows(const CollectingSink::Profile& p)
{
    std::string rows;
    for (const CtdValues& v : p.ctd)
        rows += FormatString(" %+08.4f  %+08.4f  %+09.3f\r\n", double{v.conductivity}, double{v.temperature},
                             double{v.pressure});
    return rows;
}

std::string AcmRows(const CollectingSink::Profile& p)
{
    std::string rows;
    for (const AcmValues& v : p.acm)
        rows += FormatString(" %+06.2f  %+06.2f  %+07.4f  %+07.4f  %+07.4f  %+07.2f  %+07.2f  %+07.2f  %+07.2f\r\n",
                             v.tiltX, v.tiltY, double{v.compassX}, double{v.compassY}, double{v.compassZ},
                             double{v.velocityAB}, double{v.velocityCD}, double{v.velocityEF},
                             double{v.velocityGH});
    return rows;
}

// The termination row and the sensor time entry, from the collected values.
std::string LogEntry(const CollectingSink::Profile& p, const char* sensor)
{
    OutputFile out;
    if (!sensor) {
        const StopRecord& last = p.stops.back().second;
        const TerminationState state{p.sensorOn, p.motionStart, last.motionStopOrRestart, last.sensorOff,
                                     last.rampStatus, last.profileStatus};
        WriteTerminationRow(out.get(), p.number, state, false);
    } else {
        WriteSensorTimes(out.get(), p.number, sensor, p.on, p.off, false);
    }
    return out.text();
}

class Sinks : public DecoderTest {
protected:
    void SetUp() override
    {
        DecoderTest::SetUp();
        savedRecord_ = TestDeployment;
        Settings.HumanReadible = 0;  // the machine form: the text files hold only rows
    }
    void TearDown() override
    {
        TestDeployment = savedRecord_;
        DecoderTest::TearDown();
    }
    DeploymentRecord savedRecord_;
};

// Profiles of every kind as the fixture deployment writes them (restarts in
// mid-profile included), followed by one of values whose single-precision
// rounding shows in the last digit printed.
TEST_F(Sinks, CollectedValuesPrintAsTheTextRows)
{
    using Decoder = DecodeResult (*)(std::FILE*, uint32_t, const DecodeOptions&, ProfileSink&, Reporter&);
    struct Case {
        const char* name;
        int kind;  // FileKind
        int firmware;
        bool seaBird;
        ProfileDecoder toText;
        Decoder decode;
        Bytes extra;
    };
    const Case cases[] = {
        {"engineering 3.01", KindEngineering, Firmware301, false, UnpackEngineeringProfile, DecodeEngineeringProfile,
         Bytes().engHeader(T0, T0 + 1).scan301(T0 + 2, 0.5f, 0.05f, 1234.5675f).stop(MarkerOperatorStop, 2, 7, T0 + 3,
                                                                                      T0 + 4)},
        {"engineering 3.04", KindEngineering, Firmware304, false, UnpackEngineeringProfile, DecodeEngineeringProfile,
         Bytes()
             .engHeader(T0, T0 + 1)
             .scan304(T0 + 2, 2.5f, 14.25f, -0.0005f, 0.125f, -32768, 250.125f, 32767)
             .stop(MarkerProfileEnd, 14, 0, T0 + 3, T0 + 4)},
        {"CTD FSI EM", KindCtd, Firmware304, false, UnpackCtdProfile, DecodeCtdProfile,
         Bytes().ctdScan(10, 20, 2274834).ctdScan(16777215, 0, 16777215).ctdEnd().sensorTimes(T0, T0 + 1)},
        {"CTD SeaBird", KindCtd, Firmware304, true, UnpackCtdProfile, DecodeCtdProfile,
         Bytes().ctdScan(10245003, 10290008, 1639403).ctdEnd().sensorTimes(T0, T0 + 1)},
        {"ACM", KindAcm, Firmware304, false, UnpackAcmProfile, DecodeAcmProfile,
         Bytes().acmScan({0, 65534, 1, 30000, 60000, 0, 30000, 65534, 12345}).acmEnd().sensorTimes(T0, T0 + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.FirmwareVers = c.firmware;
        TestDeployment = DeploymentRecord{};
        TestDeployment.fsiEmCtd = c.seaBird ? 0 : 1;
        TestDeployment.seaBirdCtd = c.seaBird ? 1 : 0;
        DeploymentShape shape;
        shape.firmware = c.firmware == Firmware301 ? 0 : 1;
        shape.scansPerProfile = 25;
        shape.profilesPerFile = 4;
        shape.maxProfile = 7;
        const Bytes file = Bytes(DataFileBytes(shape, c.kind, 4)).append(c.extra);
        const uint32_t profiles = 5;
        const DecodeOptions options = Options();

        InputFile forText(file), forSink(file);
        CollectingSink sink;
        for (uint32_t i = 0; i < profiles; ++i) {
            OutputFile text, log;
            ASSERT_EQ(c.toText(text.get(), forText.get(), 4 + i, log.get(), options), DecodeResult::Done) << i;
            ASSERT_EQ(c.decode(forSink.get(), 4 + i, options, sink, JobReporter()), DecodeResult::Done) << i;
            ASSERT_EQ(sink.profiles.size(), i + 1);
            const CollectingSink::Profile& p = sink.profiles.back();
            EXPECT_EQ(p.number, 4 + i);
            EXPECT_TRUE(p.ended && p.end == ProfileEnd::Complete);
            if (c.kind == KindEngineering) {
                EXPECT_EQ(text.text(), EngineeringRows(p, c.firmware == Firmware301)) << i;
                EXPECT_EQ(log.text(), LogEntry(p, nullptr)) << i;
                EXPECT_EQ(p.order.substr(0, 2), "BT");
            } else if (c.kind == KindCtd) {
                EXPECT_EQ(text.text(), CtdRows(p)) << i;
                EXPECT_EQ(log.text(), LogEntry(p, "CTD")) << i;
                EXPECT_EQ(p.order, "B" + std::string(p.ctd.size(), 'C') + "OX");
            } else {
                EXPECT_EQ(text.text(), AcmRows(p)) << i;
                EXPECT_EQ(log.text(), LogEntry(p, "ACM")) << i;
                EXPECT_EQ(p.order, "B" + std::string(p.acm.size(), 'A') + "OX");
            }
        }
        EXPECT_EQ(forSink.position(), static_cast<long>(file.size()));
        // Restarts are handed over with the scans around them.
        if (c.kind == KindEngineering) {
            EXPECT_EQ(sink.profiles[0].order, "BT" + std::string(13, 'E') + "S" + std::string(12, 'E') + "SX");
        }
        EXPECT_STREQ(LogTake(), "");
    }
}

// How a reading ended, as an export marks a profile: the file ending inside
// it, the sensor times missing after the end mark, a cancel.
TEST_F(Sinks, EachProfileEndsOnceWithHowItEnded)
{
    using Decoder = DecodeResult (*)(std::FILE*, uint32_t, const DecodeOptions&, ProfileSink&, Reporter&);
    const Bytes engineering = Bytes().engHeader(T0, T0).scan301(T0 + 1, 1, 2, 3).stop(MarkerProfileEnd, 0, 0, T0, T0);
    const Bytes ctd = Bytes().ctdScan(1, 2, 3).ctdEnd().sensorTimes(T0, T0 + 1);
    const Bytes acm = Bytes().acmScan({1, 2, 3, 4, 5, 6, 7, 8, 9}).acmEnd().sensorTimes(T0, T0 + 1);
    struct Case {
        const char* name;
        Decoder decode;
        Bytes bytes;
        bool cancel;
        DecodeResult result;
        ProfileEnd end;
        const char* order;
    } cases[] = {
        {"engineering whole", DecodeEngineeringProfile, engineering, false, DecodeResult::Done, ProfileEnd::Complete,
         "BTESX"},
        {"engineering no header", DecodeEngineeringProfile, engineering.first(7), false, DecodeResult::ReadError,
         ProfileEnd::FileEnded, "BX"},
        {"engineering cut in a scan", DecodeEngineeringProfile, engineering.first(20), false,
         DecodeResult::ReadError, ProfileEnd::FileEnded, "BTX"},
        {"engineering cut in its stop record", DecodeEngineeringProfile, engineering.first(35), false,
         DecodeResult::ReadError, ProfileEnd::FileEnded, "BTEX"},
        {"engineering cancelled", DecodeEngineeringProfile, engineering, true, DecodeResult::Cancelled,
         ProfileEnd::Cancelled, "BTX"},
        {"CTD whole", DecodeCtdProfile, ctd, false, DecodeResult::Done, ProfileEnd::Complete, "BCOX"},
        {"CTD cut among the scans", DecodeCtdProfile, ctd.first(12), false, DecodeResult::Done,
         ProfileEnd::FileEnded, "BCX"},
        {"CTD sensor times short", DecodeCtdProfile, ctd.first(22), false, DecodeResult::ReadError,
         ProfileEnd::SensorTimesMissing, "BCX"},
        {"CTD cancelled", DecodeCtdProfile, ctd, true, DecodeResult::Cancelled, ProfileEnd::Cancelled, "BX"},
        {"ACM whole", DecodeAcmProfile, acm, false, DecodeResult::Done, ProfileEnd::Complete, "BAOX"},
        {"ACM cut among the scans", DecodeAcmProfile, acm.first(30), false, DecodeResult::ReadError,
         ProfileEnd::FileEnded, "BAX"},
        {"ACM sensor times missing", DecodeAcmProfile, acm.first(36), false, DecodeResult::ReadError,
         ProfileEnd::SensorTimesMissing, "BAX"},
        {"ACM cancelled", DecodeAcmProfile, acm, true, DecodeResult::Cancelled, ProfileEnd::Cancelled, "BX"},
    };
    Settings.FirmwareVers = Firmware301;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TheUnpackJob().ClearCancel();
        if (c.cancel)
            TheUnpackJob().Cancel();
        InputFile in(c.bytes);
        CollectingSink sink;
        EXPECT_EQ(c.decode(in.get(), 9, Options(), sink, JobReporter()), c.result);
        ASSERT_EQ(sink.profiles.size(), 1u);
        EXPECT_EQ(sink.profiles[0].order, c.order);
        EXPECT_TRUE(sink.profiles[0].end == c.end);
        ResetTestLog();
    }
}

TEST_F(Sinks, WholeFileRecordsAreTheOnesTheTextsWrite)
{
    TempDir dir;
    for (bool layout301 : {true, false}) {
        Settings.FirmwareVers = layout301 ? Firmware301 : Firmware304;
        const DeploymentRecord record = SampleDeployment(layout301);
        WriteFileBytes(dir / "DEPLOY.DAT", Bytes().deployment(record));
        ASSERT_EQ(UnpackDeploymentFile((dir / "DEPLOY.DAT").string(), (dir / "DEPLOY.TXT").string(), Options()),
                  DecodeResult::Done);
        InputFile in(Bytes().deployment(record));
        CollectingSink sink;
        ASSERT_EQ(DecodeDeploymentFile(in.get(), layout301, sink, JobReporter()), DecodeResult::Done);
        ASSERT_EQ(sink.deployments.size(), 1u);
        OutputFile report;
        WriteDeploymentReport(report.get(), sink.deployments[0], false);
        EXPECT_EQ(report.text(), ReadFileText(dir / "DEPLOY.TXT"));
        EXPECT_EQ(sink.deployments[0].profilesPerFileSet, record.profilesPerFileSet);
    }

    const Bytes log = Bytes().irq(T0, 0).irq(T0 + 61, 3).irq(-1, 99).u8(7);
    WriteFileBytes(dir / "IRQ_XCPT.LOG", log);
    ASSERT_EQ(UnpackIrqFile((dir / "IRQ_XCPT.LOG").string(), (dir / "IRQ_XCPT.TXT").string(), Options()),
              DecodeResult::Done);
    InputFile in(log);
    CollectingSink sink;
    ASSERT_EQ(DecodeIrqLog(in.get(), sink, JobReporter()), DecodeResult::Done);
    std::string lines;
    for (auto [time, code] : sink.irq)
        lines += "\r\n " + Stamp(time, false) + "  " + IrqEventText(code);
    EXPECT_EQ(sink.irq.size(), 3u);
    EXPECT_EQ(lines, ReadFileText(dir / "IRQ_XCPT.TXT"));
    EXPECT_STREQ(LogTake(), "");
}

}  // namespace
