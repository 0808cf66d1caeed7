#pragma once
// The export's side of one step of a run: the note of the data file the step
// opened and every call its profiles make on the export's sink of their kind.
// A step in its turn passes them to the export as they come; one ahead of its
// turn keeps them and passes them on in its turn (or as soon as its turn comes
// while it still reads), so that the export hears a run's data files and
// profiles in the run's order, whatever ran ahead. A step that has kept
// kMaxKeptCalls calls waits for its turn before it reads on.

#include "engine/step_journal.h"
#include "formats/export_sinks.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

// The scans a feed keeps, of each kind.
struct KeptScans {
    std::vector<EngineeringValues> engineering;
    std::vector<CtdValues> ctd;
    std::vector<AcmValues> acm;
    void Clear()  // (their room kept)
    {
        engineering.clear();
        ctd.clear();
        acm.clear();
    }
};

// The feeds' buffers of kept scans, used again from one data file to the
// next: fresh memory for each cost more in page faults than the copies into
// it. Any thread may take and give.
class KeptScanBuffers {
public:
    KeptScans Take();
    void Give(KeptScans scans);

private:
    std::mutex lock_;
    std::vector<KeptScans> spare_;
};

class ExportFeed final : public ProfileSink {
public:
    // About 16 MB of calls and scans: a data file of a few hundred thousand scans.
    static constexpr std::size_t kMaxKeptCalls = std::size_t{1} << 18;

    // `sink`: the export's sink of the step's kind; null when the kind is not
    // exported. The kept scans' buffers come from `buffers` and go back there.
    ExportFeed(ExportSinks& exporter, ProfileSink* sink, StepJournal& journal, KeptScanBuffers& buffers);
    ~ExportFeed() override;

    // ExportSinks::DataFile, in the step's turn.
    void DataFile(int kind, const std::string& fileName, uint32_t first, uint32_t last, bool opened);
    // ExportSinks::ProfileAt, in the step's turn.
    void ProfileAt(int kind, uint64_t offset);
    // The sink to hand the decoder: this feed, or null when the kind is not exported.
    ProfileSink* Sink() { return sink_ ? this : nullptr; }
    // In the step's turn, once its work has ended: passes on what is still kept.
    void PassOn();

    void BeginProfile(uint32_t profile) override;
    void ProfileTimes(int32_t sensorOn, int32_t motionStart) override;
    void EngineeringScan(const EngineeringValues& scan) override;
    void Stop(int32_t marker, const StopRecord& stop) override;
    void CtdScan(const CtdValues& scan) override;
    void AcmScan(const AcmValues& scan) override;
    void SensorTimes(int32_t on, int32_t off) override;
    void EndProfile(ProfileEnd end) override;

    struct DataFileNote {
        int kind;
        std::string fileName;
        uint32_t first, last;
        bool opened;
    };
    struct ProfileStart {
        int kind;
        uint64_t offset;
    };
    struct Begin {
        uint32_t profile;
    };
    struct Times {
        int32_t sensorOn, motionStart;
    };
    struct StopCall {
        int32_t marker;
        StopRecord stop;
    };
    struct Sensor {
        int32_t on, off;
    };
    // The next `count` scans kept of one kind (Scans' index).
    struct ScanRun {
        int kind;
        std::size_t count;
    };
    using Call = std::variant<DataFileNote, ProfileStart, Begin, Times, StopCall, Sensor, ProfileEnd, ScanRun>;

private:
    // Whether the call is to be kept (else the journal is live now and what
    // was kept has been passed on, or the step was dropped).
    bool Keeping();
    // Drops what is kept.
    void Forget();
    void Add(Call call);
    template <typename Values>
    void AddScan(const Values& scan, int kind, std::vector<Values>& kept);
    void Send(const Call& call);

    ExportSinks& exporter_;
    ProfileSink* sink_;
    StepJournal& journal_;
    std::vector<Call> kept_;
    KeptScanBuffers& buffers_;
    KeptScans scans_;
    std::size_t keptScans_ = 0;
    bool dropped_ = false;  // the step was abandoned: nothing it does counts
};
