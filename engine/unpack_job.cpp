#include "engine/unpack_job.h"

#include "engine/activity_log.h"
#include "engine/job_sequence.h"
#include "engine/metadata.h"
#include "formats/ctd.h"
#include "formats/export_sinks.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <system_error>
#include <utility>

// Where the events of a run go, in the run's order: the job's log and
// observer, and what the run's messages say.
class JobEvents final : public RunEvents {
public:
    JobEvents(UnpackJob& job, MessageValues values) : job_(job), values_(std::move(values)) {}
    void Entry(int category, const std::string& text) override
    {
        (job_.log_ ? *job_.log_ : ProgramActivityLog()).Entry(category, text);
    }
    void LogChanged() override
    {
        if (job_.observer_)
            job_.observer_->OnLogChanged();
    }
    void Progress(uint32_t items) override
    {
        const uint32_t done = job_.done_.fetch_add(items) + items;
        if (job_.observer_)
            job_.observer_->OnJobProgress(done, job_.total_.load());
    }
    void Status(const std::string& input, const std::string& output) override
    {
        if (job_.observer_)
            job_.observer_->OnJobStatus(input.c_str(), output.c_str());
    }
    bool CancelRequested() override { return job_.CancelRequested(); }
    const MessageValues& Values() const override { return values_; }
    void SetValues(MessageValues values) { values_ = std::move(values); }

private:
    UnpackJob& job_;
    MessageValues values_;
};

namespace {

class ActivityLogEntries final : public JobLog {
public:
    void Entry(int category, const std::string& text) override { LogAppend(text.c_str(), category); }
};

// What the messages of a run say: its folders and choices, and the range and
// plan of the deployment as the run takes them.
MessageValues RunMessageValues(const RunRequest& request, const RunChoice& choice, const FolderMetadata& meta)
{
    MessageValues v;
    v.source = request.source;
    v.destination = request.destination;
    v.prefix = request.prefix;
    v.range = request.range;
    v.first = choice.first;
    v.last = choice.last;
    v.human = request.human;
    v.profilesPerFile = meta.profilesPerFile;
    v.profileCount = uint64_t{meta.maxProfile} + 1;
    v.maxProfile = meta.maxProfile;
    v.layout301 = request.firmware == Firmware301;
    return v;
}

// began writing has already stopped the reading, and the export then records
// what was read; one asked for while it writes stops it.
class JobExportHost final : public ExportHost {
public:
    JobExportHost(JobEvents& events, bool cancelledBefore) : events_(events), cancelledBefore_(cancelledBefore) {}
    void Writing(const std::string& path) override { events_.Status(path, path); }
    void ItemDone() override { events_.Progress(1); }
    bool StopRequested() override { return !cancelledBefore_ && events_.CancelRequested(); }
    void Error(const std::string& line) override { Log(LogError, line); }
    void Progress(const std::string& line) override { Log(LogProgress, line); }

private:
    void Log(int category, const std::string& line)
    {
        StepJournal journal(events_, true);
        journal.Text(category, "%s\r\n", line.c_str());
        events_.LogChanged();
    }

    JobEvents& events_;
    bool cancelledBefore_;
};

}  // namespace

JobLog& ProgramActivityLog()
{
    static ActivityLogEntries log;
    return log;
}

UnpackJob::~UnpackJob()
{
    if (thread_.joinable())
        thread_.detach();
}

int UnpackJob::Start(const RunRequest& request, ExportSinks* exporter)
{
    Wait();  // the previous run has sent its finished notification
    try {
        thread_ = std::thread([this, request, exporter] { Run(request, exporter); });
    } catch (const std::system_error&) {
        return -1;
    }
    return 0;
}

void UnpackJob::Wait()
{
    if (thread_.joinable())
        thread_.join();
}

int UnpackJob::Run(const RunRequest& request, ExportSinks* exporter)
{
    DebugTrace("unpack_thread starting!\r\n");
    ClearCancel();
    RunState run;
    run.paths = BuildJobPaths(request);
    run.prefix = request.prefix;
    run.writeText = request.writeText;

    // The metadata check reads DEPLOY.DAT and PROFILES.DAT of the source
    // folder and logs its own errors. Everything the steps read of the
    // deployment is fixed from here on.
    const bool layout301 = request.firmware == Firmware301;
    JobEvents events(*this, RunMessageValues(request, RunChoice{}, FolderMetadata{}));
    StepJournal checkLog(events, true);
    const FolderMetadata meta = CheckMetadata(run.paths.source, layout301, checkLog);

    // From here on the messages name the run's range and plan.
    const RunChoice choice = ChooseKindsAndRange(request, meta.maxProfile);
    events.SetValues(RunMessageValues(request, choice, meta));
    total_.store(CountItems(choice));
    done_.store(0);
    run.options = DecodeOptionsFor(request, meta.deployment);
    run.profilesPerFile = meta.profilesPerFile;
    run.first = choice.first;
    run.last = choice.last;

    bool ok = true;
    if (exporter) {
        // The export starts with the metadata read; one that cannot be made
        // leaves the run without it, with errors.
        ExportRun what{choice.kinds,
                       choice.first,
                       choice.last,
                       run.options,
                       meta.deployOk ? &meta.deployment : nullptr,
                       run.paths.destination,
                       run.paths.source};
        what.threads = request.jobs;
        JobExportHost host(events, false);
        if (exporter->Begin(what, host)) {
            total_ += exporter->FinishItems();
            run.exporter = exporter;
            for (int kind : {KindEngineering, KindCtd, KindAcm})
                run.exportSinks[KindIndex(kind)] = exporter->ProfileSinkFor(kind);
        } else {
            ok = false;
        }
    }
    ok = RunKinds(run, events, choice.kinds, request.jobs) && ok;
    if (run.exporter) {
        JobExportHost host(events, CancelRequested());
        try {
            ok = run.exporter->Finish(host) && ok;
        } catch (...) {
            StepJournal journal(events, true);
            journal.Report(LogError, MessageId::UnpackException);
            events.LogChanged();
            ok = false;
        }
    }

    if (observer_)
        observer_->OnJobFinished(!ok);
    DebugTrace("unpack_thread exiting!\r\n");
    return ok ? 0 : -1;
}

RunChoice ChooseKindsAndRange(const RunRequest& request, uint32_t maxProfile)
{
    RunChoice c{request.kinds, 0, maxProfile};
    if (request.range == RangeSingleProfile) {
        c.first = c.last = request.first;
    } else if (request.range == RangeProfiles) {
        c.first = request.first;
        c.last = request.last;
    }
    if (!request.writeText)
        c.kinds &= ~(KindDeployment | KindException);  // they have only texts
    return c;
}

uint32_t CountItems(const RunChoice& c)
{
    uint32_t total = 0;
    const uint32_t span = c.last - c.first + 1;
    for (int kind : {KindEngineering, KindCtd, KindAcm})
        if (c.kinds & kind)
            total += span;
    for (int kind : {KindDeployment, KindException})
        if (c.kinds & kind)
            total += 1;
    return total;
}

unsigned ProgressPercent(uint32_t done, uint32_t total)
{
    if (total == 0)
        return 0;
    uint64_t percent = uint64_t{done} * 100 / total;
    return percent > 100 ? 100 : static_cast<unsigned>(percent);
}

JobPaths BuildJobPaths(const RunRequest& request)
{
    return JobPaths{WithSeparator(request.source), WithSeparator(request.destination) + request.prefix};
}

DecodeOptions DecodeOptionsFor(const RunRequest& request, const DeploymentRecord& deployment)
{
    return DecodeOptions{request.human, request.firmware == Firmware301, CtdConstantsFor(deployment)};
}
