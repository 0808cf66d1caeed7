#pragma once
// Counts the profiles a run decodes, per instrument, and those that did not
// end complete, for the outcome of a run (davrolin.convert, davrolin-batch's
// manifest). It stands in the export's place in the job and passes every
// call on to the export the run asked for, if any: the counts come from the
// decoders' own calls, in the run's order, whatever the run writes.

#include "formats/export_sinks.h"

#include <cstdint>
#include <memory>

struct InstrumentCounts {
    uint32_t profiles = 0;    // profiles decoded for the run
    uint32_t incomplete = 0;  // of which the reading did not end complete
};

class ProfileCounter final : public ExportSinks {
public:
    // `inner`: the export of the run, or null.
    explicit ProfileCounter(ExportSinks* inner);
    ~ProfileCounter() override;

    bool Begin(const ExportRun& run, ExportHost& host) override;
    uint32_t FinishItems() const override;
    ProfileSink* ProfileSinkFor(int kind) override;
    void DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened) override;
    void ProfileAt(int kind, uint64_t offset) override;
    bool Finish(ExportHost& host) override;

    // Index 0 engineering, 1 CTD, 2 ACM.
    InstrumentCounts Counts(int index) const;

    class Tee;

private:
    ExportSinks* inner_;
    std::unique_ptr<Tee> tees_[3];
};
