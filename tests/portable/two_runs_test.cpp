// Two runs in one process at the same time, each on its own job, of two
// different deployments (other firmware, form, prefix, packing and threads,
// both exporting netCDF and CSV), write exactly what each writes alone: the
// same files, the same activity log and the same notifications (those of the
// export's files, written side by side with several threads, in any order).
// A run reads nothing but its request, so nothing of one can reach the other.

#include "engine/unpack_job.h"
#include "export/deployment_export.h"
#include "formats/run_request.h"
#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A run's activity log entries and notifications, in order.
class RunRecord final : public JobLog, public JobObserver {
public:
    void Entry(int category, const std::string& text) override { log += std::to_string(category) + " " + text; }
    void OnJobFinished(bool hadErrors) override { events.push_back(hadErrors ? "finished 1" : "finished 0"); }
    void OnLogChanged() override { events.push_back("log"); }
    void OnJobProgress(uint32_t done, uint32_t total) override
    {
        events.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void OnJobStatus(const char* input, const char* output) override
    {
        events.push_back(std::string(input) + " -> " + output);
    }

    std::string log;
    std::vector<std::string> events;
};

// What a run left: its result, its record and every file of its destination.
struct Outcome {
    int result = 0;
    RunRecord record;
    std::map<std::string, std::string> files;
};

// The notifications of a run, those from the first export file on sorted
// (the export writes its instruments' files side by side).
std::vector<std::string> InTurn(std::vector<std::string> events)
{
    auto exported = std::find_if(events.begin(), events.end(), [](const std::string& e) {
        return e.find(".nc -> ") != std::string::npos || e.find(".csv -> ") != std::string::npos;
    });
    std::sort(exported, events.end());
    return events;
}

struct Source {
    DeploymentShape shape;
    RunRequest request;
    TempDir source;
    TempDir destination;
};

void RunAndCollect(const Source& d, Outcome& outcome)
{
    ExportChoice choice;
    choice.netcdf = choice.csv = true;
    choice.metadata.hasLatitude = choice.metadata.hasLongitude = true;
    choice.metadata.latitude = 47.5;
    choice.metadata.longitude = -128.25;
    choice.metadata.attributes = {{"date_created", "2024-07-02T00:00:00Z"}};
    choice.program = "two runs test";
    choice.now = "2000-01-01T00:00:00Z";
    DeploymentExport exporter(choice);

    UnpackJob job;
    job.SetLog(&outcome.record);
    job.SetObserver(&outcome.record);
    outcome.result = job.Run(d.request, &exporter);
    for (const auto& e : fs::directory_iterator(d.destination.path())) {
        outcome.files[e.path().filename().string()] = ReadFileText(e.path());
        fs::remove(e.path());
    }
}

TEST(TwoRuns, SideBySideWriteWhatEachWritesAlone)
{
    Source a, b;
    a.shape.firmware = 1;
    a.shape.profilesPerFile = 3;
    a.shape.maxProfile = 14;
    a.shape.scansPerProfile = 40;
    a.request.firmware = Firmware304;
    a.request.jobs = 3;
    b.shape.firmware = 0;
    b.shape.profilesPerFile = 4;
    b.shape.maxProfile = 11;
    b.shape.scansPerProfile = 25;
    b.request.firmware = Firmware301;
    b.request.human = true;
    b.request.prefix = "b_";
    b.request.range = RangeProfiles;
    b.request.first = 2;
    b.request.last = 10;
    for (Source* d : {&a, &b}) {
        WriteDeployment(d->source.path(), d->shape);
        d->request.source = d->source.str();
        d->request.destination = d->destination.str();
        d->request.exportFiles.netcdf = d->request.exportFiles.csv = true;
    }

    Outcome aloneA, aloneB, togetherA, togetherB;
    RunAndCollect(a, aloneA);
    RunAndCollect(b, aloneB);
    std::thread first([&] { RunAndCollect(a, togetherA); });
    std::thread second([&] { RunAndCollect(b, togetherB); });
    first.join();
    second.join();

    for (const auto& [alone, together] : {std::pair{&aloneA, &togetherA}, std::pair{&aloneB, &togetherB}}) {
        EXPECT_EQ(alone->result, 0) << alone->record.log;
        EXPECT_EQ(together->result, alone->result);
        EXPECT_EQ(together->record.log, alone->record.log);
        EXPECT_EQ(InTurn(together->record.events), InTurn(alone->record.events));
        EXPECT_EQ(together->files, alone->files);
    }
    // Each wrote its own deployment, in its own names and form.
    EXPECT_EQ(aloneA.files.count("E0000014.TXT"), 1u);
    EXPECT_EQ(aloneA.files.count("ctd.nc"), 1u);
    EXPECT_EQ(aloneB.files.count("b_C0000010.TXT"), 1u);
    EXPECT_EQ(aloneB.files.count("b_C0000011.TXT"), 0u);
    EXPECT_EQ(aloneB.files.count("b_acm.nc"), 1u);
    EXPECT_NE(aloneB.record.log.find("Unpacking CTD profiles 2 to 10\r\n"), std::string::npos) << aloneB.record.log;
}

}  // namespace
