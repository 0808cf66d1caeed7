#include "engine/job_sequence.h"

#include "engine/profile_steps.h"
#include "engine/whole_file_steps.h"
#include "formats/termination_log.h"

#include <utility>

namespace {

bool OpenSensorTimeLog(RunState& run, StepJournal& journal)
{
    try {
        run.sensorTimeLog = OpenFile((run.paths.destination + "SNSRTIME.TXT").c_str(), "wb");
    } catch (...) {
        run.sensorTimeLog.reset();
    }
    if (!run.sensorTimeLog) {
        journal.Report(LogError, MessageId::SensorTimeLogError);
        return false;
    }
    return true;
}

bool CloseSensorTimeLog(RunState& run, StepJournal& journal)
{
    const bool written = CloseOutputFile(std::move(run.sensorTimeLog)) && !run.sensorTimesLost;
    if (!written)
        journal.Report(LogError, MessageId::SensorTimeLogError);
    return written;
}

void OpenTerminationLog(RunState& run, StepJournal& journal)
{
    try {
        run.terminationLog = OpenFile((run.paths.destination + "TIMETAGS.TXT").c_str(), "wb");
        if (run.terminationLog)
            WriteTerminationLogHeader(run.terminationLog.get(), run.options.human);
    } catch (...) {
        run.terminationLog.reset();
    }
    if (!run.terminationLog) {
        journal.Report(LogError, MessageId::TerminationLogError);
        run.ok = false;
        run.stoppedKinds |= KindEngineering;
    }
}

void CloseTerminationLog(RunState& run, StepJournal& journal)
{
    const bool written = CloseOutputFile(std::move(run.terminationLog)) && !run.terminationRowsLost;
    if (!written) {
        journal.Report(LogError, MessageId::TerminationLogError);
        run.ok = false;
    } else {
        journal.Report(LogProgress, MessageId::TerminationLogWritten, (run.paths.destination + "TIMETAGS.TXT").c_str());
    }
    journal.LogChanged();
}

// One planned part of a run: a single step, or the data files of a kind.
struct Planned {
    StepType type;
    int kind;
};

// The run's steps in their order, and what each does in its turn.
class JobSequence final : public StepSequence {
public:
    JobSequence(RunState& run, RunEvents& events, int kinds) : run_(run), events_(events)
    {
        // A walk over the data files needs their size; with none, the kind
        // fails as it starts.
        const bool files = run.profilesPerFile != 0;
        // Without texts there is neither the termination log nor the sensor time log.
        const bool logs = run.writeText;
        auto range = [&](int kind) {
            plan_.push_back({StepType::RangeStart, kind});
            if (files)
                plan_.push_back({StepType::ProfileFile, kind});
            if (files && logs && kind == KindEngineering)
                plan_.push_back({StepType::RangeEnd, kind});
        };
        if (kinds & KindEngineering)
            range(KindEngineering);
        if (logs && (kinds & (KindCtd | KindAcm)))
            plan_.push_back({StepType::SensorLogOpen, 0});
        if (kinds & KindCtd)
            range(KindCtd);
        if (kinds & KindAcm)
            range(KindAcm);
        if (logs && (kinds & (KindCtd | KindAcm)))
            plan_.push_back({StepType::SensorLogClose, 0});
        if (kinds & KindDeployment)
            plan_.push_back({StepType::WholeFile, KindDeployment});
        if (kinds & KindException)
            plan_.push_back({StepType::WholeFile, KindException});
        if (files) {
            firstBase_ = run.profilesPerFile * (run.first / run.profilesPerFile);
            lastBase_ = run.profilesPerFile * (run.last / run.profilesPerFile);
        }
    }

    std::unique_ptr<Step> Next() override
    {
        while (at_ < plan_.size() && !run_.stopped) {
            const Planned p = plan_[at_];
            if (p.type != StepType::ProfileFile) {
                ++at_;
                return std::make_unique<JobStep>(p.type, p.kind);
            }
            if (Stopped(p.kind) || filesGiven_) {
                ++at_;
                filesGiven_ = false;
                nextBase_.reset();
                continue;
            }
            // The walk ends after lastBase itself, so it never runs past 2^32
            // when base + ppf would wrap around.
            const uint32_t base = nextBase_ ? *nextBase_ : firstBase_;
            auto step = std::make_unique<JobStep>(p.type, p.kind);
            step->base = base;
            step->firstIndex = base == firstBase_ ? run_.first % run_.profilesPerFile : 0;
            step->lastIndex =
                run_.last - base < run_.profilesPerFile ? run_.last % run_.profilesPerFile : run_.profilesPerFile - 1;
            if (base == lastBase_)
                filesGiven_ = true;
            else
                nextBase_ = base + run_.profilesPerFile;
            return step;
        }
        return nullptr;
    }

    bool Wanted(const Step& s) override
    {
        const auto& step = static_cast<const JobStep&>(s);
        if (run_.stopped)
            return false;
        return !(Stopped(step.kind) && (step.type == StepType::ProfileFile || step.type == StepType::RangeEnd));
    }

    bool Begin(Step& s, bool started) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (!Wanted(step))
            return false;
        // A cancel stops the run before every step but the close of the
        // termination log; one seen before a data file fails its kind. A step
        // whose work began ahead of its turn counts as one during which the
        // cancel came: it saw the cancel, or ended before it.
        if (step.type != StepType::RangeEnd && !started && events_.CancelRequested()) {
            if (step.type == StepType::ProfileFile)
                run_.ok = false;
            run_.stopped = true;
            return false;
        }
        if (step.type == StepType::RangeStart && run_.profilesPerFile == 0) {
            run_.ok = false;
            run_.stoppedKinds |= step.kind;
            return false;
        }
        return true;
    }

    void Work(Step& s, StepJournal& journal) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (step.type == StepType::ProfileFile)
            WorkProfileFile(run_, step, journal);
        else
            WorkWholeFile(run_, step, journal);
    }

    void Commit(Step& s, StepJournal& journal) override
    {
        auto& step = static_cast<JobStep&>(s);
        if (step.faulted) {
            journal.Report(LogError, MessageId::UnpackException);
            step.read = false;
        }
        switch (step.type) {
        case StepType::RangeStart:
            // The run's own first and last profile stand for {FSTPRO} and {LSTPRO}.
            journal.Report(LogProgress, ProfileKindStart(step.kind));
            journal.LogChanged();
            if (step.kind == KindEngineering && run_.writeText)
                OpenTerminationLog(run_, journal);
            break;
        case StepType::ProfileFile:
            if (step.feed)
                step.feed->PassOn();
            if (step.rows) {
                const bool engineering = step.kind == KindEngineering;
                if (!CopyRows(step.rows.get(), (engineering ? run_.terminationLog : run_.sensorTimeLog).get()))
                    (engineering ? run_.terminationRowsLost : run_.sensorTimesLost) = true;
            }
            if (!step.read) {
                run_.ok = false;
                run_.stoppedKinds |= step.kind;
            }
            break;
        case StepType::RangeEnd:
            CloseTerminationLog(run_, journal);
            break;
        case StepType::SensorLogOpen:
            run_.ok = OpenSensorTimeLog(run_, journal) && run_.ok;
            break;
        case StepType::SensorLogClose:
            run_.ok = CloseSensorTimeLog(run_, journal) && run_.ok;
            break;
        case StepType::WholeFile:
            run_.ok = step.read && run_.ok;
            break;
        }
        // A step that saw the cancel is the last of the run.
        if (step.result == DecodeResult::Cancelled)
            run_.stopped = true;
    }

    void Discard(Step& s) override
    {
        auto& step = static_cast<JobStep&>(s);
        for (const std::string& path : step.created)
            RemoveFile(path.c_str());
    }

private:
    bool Stopped(int kind) const { return (run_.stoppedKinds & kind) != 0; }

    RunState& run_;
    RunEvents& events_;
    std::vector<Planned> plan_;
    std::size_t at_ = 0;
    uint32_t firstBase_ = 0;
    uint32_t lastBase_ = 0;
    std::optional<uint32_t> nextBase_;  // the next data file of the walk under way
    bool filesGiven_ = false;           // the walk under way gave out its last data file
};

}  // namespace

bool RunKinds(RunState& run, RunEvents& events, int kinds, int jobs)
{
    JobSequence sequence(run, events, kinds);
    RunOrderedSteps(sequence, events, jobs);
    run.terminationLog.reset();
    run.sensorTimeLog.reset();
    return run.ok;
}

// The export's view of the job while it begins and writes its files, on the
