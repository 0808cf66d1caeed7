#include "engine/whole_file_steps.h"

#include "engine/file_names.h"
#include "formats/deployment_text.h"
#include "formats/irq_log.h"
#include "formats/irq_text.h"

#include <utility>

namespace {

// The deployment report; the record read is kept for the caller.
class DeploymentForJob final : public DeploymentSink {
public:
    DeploymentForJob(std::FILE* out, bool human, std::optional<DeploymentRecord>& record)
        : text_(out, human), record_(record)
    {
    }
    void Record(const DeploymentRecord& record) override
    {
        record_ = record;
        text_.Record(record);
    }

private:
    DeploymentText text_;
    std::optional<DeploymentRecord>& record_;
};

}  // namespace

DecodeResult DeploymentFile(const std::string& inputPath, const std::string& outputPath, const DecodeOptions& options,
                            Reporter& reporter, const TextFiles& files, std::optional<DeploymentRecord>& record)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        reporter.Report(LogError, MessageId::DeployOpenError);
        return DecodeResult::OpenError;
    }
    File out = files.Create(outputPath);
    if (!out) {
        reporter.Report(LogError, MessageId::DeployCreateError);
        return DecodeResult::OpenError;
    }
    // The record is read in the layout of the configured firmware.
    DeploymentForJob sink(out.get(), options.human, record);
    const DecodeResult r = DecodeDeploymentFile(in.get(), options.layout301, sink, reporter);
    if (r != DecodeResult::Done)
        return r;  // the report stays, empty
    if (!CloseOutputFile(std::move(out))) {
        reporter.Report(LogError, MessageId::DeployCreateError);  // the report did not reach the disk
        return DecodeResult::WriteError;
    }
    return DecodeResult::Done;
}

DecodeResult IrqFile(const std::string& inputPath, const std::string& outputPath, const DecodeOptions& options,
                     Reporter& reporter, const TextFiles& files)
{
    File in = OpenFile(inputPath.c_str(), "rb");
    if (!in) {
        reporter.Report(LogError, MessageId::IrqOpenError);
        return DecodeResult::OpenError;
    }
    File out = files.Create(outputPath);
    if (!out) {
        reporter.Report(LogError, MessageId::IrqCreateError);
        return DecodeResult::OpenError;
    }
    IrqText text(out.get(), options.human);
    DecodeResult r = DecodeIrqLog(in.get(), text, reporter);
    if (r == DecodeResult::Cancelled)
        return r;
    if (!CloseOutputFile(std::move(out))) {
        reporter.Report(LogError, MessageId::IrqWriteError);
        r = DecodeResult::WriteError;
    }
    return r;
}

void WorkWholeFile(const RunState& run, JobStep& step, StepJournal& journal)
{
    const std::string inputPath = run.paths.source + DataFileName(step.kind, 0, run.profilesPerFile);
    const std::string outputPath = run.paths.destination + TextFileName(step.kind, 0);
    journal.Report(LogProgress, step.kind == KindDeployment ? MessageId::DeploymentStart : MessageId::ExceptionStart);
    journal.LogChanged();
    try {
        const TextFiles files{&journal, &step.created};
        // A cancel ends the exception log early without failing it.
        std::optional<DeploymentRecord> record;  // the run's options were fixed before its first step
        step.result = step.kind == KindDeployment
                          ? DeploymentFile(inputPath, outputPath, run.options, journal, files, record)
                          : IrqFile(inputPath, outputPath, run.options, journal, files);
        step.read = step.result == DecodeResult::Done || step.result == DecodeResult::Cancelled;
    } catch (...) {
        journal.Report(LogError, MessageId::UnpackException);
        step.read = false;
    }
    journal.LogChanged();
    journal.Progress(1);
}
