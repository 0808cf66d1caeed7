// Each decoder with its text sink, as the unpack job wires them, over one
// large profile held in a file, writing to a scratch file: scans per second
// (items) and input bytes per second.

#include "app/settings_record.h"
#include "engine/activity_log.h"
#include "engine/unpack_job.h"
#include "formats/acm.h"
#include "formats/ctd.h"
#include "formats/deployment.h"
#include "formats/engineering.h"
#include "formats/irq_log.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/fixture/job_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr uint32_t kScans = 20000;

using ProfileDecoder = DecodeResult (*)(std::FILE*, std::FILE*, uint32_t, std::FILE*, const DecodeOptions&);

// Decodes the one profile of `bytes` again and again; range(0) is the form.
void RunProfile(benchmark::State& state, const Bytes& bytes, ProfileDecoder decoder)
{
    ResetTestLog();
    SettingsRecord saved = Settings;
    Settings.HumanReadible = static_cast<int32_t>(state.range(0));
    TempDir dir;
    WriteFileBytes(dir / "in.dat", bytes);
    std::FILE* in = std::fopen((dir / "in.dat").string().c_str(), "rb");
    std::FILE* out = std::fopen((dir / "out.txt").string().c_str(), "wb");
    std::FILE* aux = std::fopen((dir / "aux.txt").string().c_str(), "wb");
    const DecodeOptions options = SettingsDecodeOptions();
    for (auto _ : state) {
        std::rewind(in);
        std::rewind(out);
        if (decoder(out, in, 0, aux, options) != DecodeResult::Done)
            state.SkipWithError("decoder failed");
    }
    state.SetItemsProcessed(state.iterations() * kScans);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
    std::fclose(aux);
    std::fclose(out);
    std::fclose(in);
    Settings = saved;
}

DeploymentShape Shape(int firmware)
{
    DeploymentShape shape;
    shape.firmware = firmware;
    shape.scansPerProfile = kScans;
    shape.restartEvery = 0;
    return shape;
}

void Engineering304(benchmark::State& state)
{
    Settings.FirmwareVers = Firmware304;
    RunProfile(state, EngineeringProfileBytes(Shape(1), 0), UnpackEngineeringProfile);
}
BENCHMARK(Engineering304)->Arg(0)->Arg(1)->ArgNames({"human"});

void Engineering301(benchmark::State& state)
{
    Settings.FirmwareVers = Firmware301;
    RunProfile(state, EngineeringProfileBytes(Shape(0), 0), UnpackEngineeringProfile);
    Settings.FirmwareVers = Firmware304;
}
BENCHMARK(Engineering301)->Arg(0)->Arg(1)->ArgNames({"human"});

void Ctd(benchmark::State& state)
{
    TestDeployment = SampleDeployment(false);
    RunProfile(state, CtdProfileBytes(Shape(1), 0), UnpackCtdProfile);
}
BENCHMARK(Ctd)->Arg(0)->Arg(1)->ArgNames({"human"});

void Acm(benchmark::State& state)
{
    RunProfile(state, AcmProfileBytes(Shape(1), 0), UnpackAcmProfile);
}
BENCHMARK(Acm)->Arg(0)->Arg(1)->ArgNames({"human"});

void IrqLog(benchmark::State& state)
{
    ResetTestLog();
    Bytes log;
    for (uint32_t i = 0; i < kScans; ++i)
        log.irq(1719792000 + static_cast<int32_t>(i), static_cast<int16_t>(i % 6));
    TempDir dir;
    WriteFileBytes(dir / "IRQ_XCPT.LOG", log);
    const std::string in = (dir / "IRQ_XCPT.LOG").string(), out = (dir / "IRQ_XCPT.TXT").string();
    for (auto _ : state)
        if (UnpackIrqFile(in, out, SettingsDecodeOptions()) != DecodeResult::Done)
            state.SkipWithError("decoder failed");
    state.SetItemsProcessed(state.iterations() * kScans);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(log.size()));
}
BENCHMARK(IrqLog);

void DeploymentReport(benchmark::State& state)
{
    ResetTestLog();
    TempDir dir;
    WriteFileBytes(dir / "DEPLOY.DAT", DeployRecordBytes(Shape(1)));
    const std::string in = (dir / "DEPLOY.DAT").string(), out = (dir / "DEPLOY.TXT").string();
    for (auto _ : state)
        if (UnpackDeploymentFile(in, out, SettingsDecodeOptions()) != DecodeResult::Done)
            state.SkipWithError("decoder failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DeploymentReport);

}  // namespace
