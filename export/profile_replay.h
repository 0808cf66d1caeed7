#pragma once
// An instrument's profiles decoded again from their data files as the
// export writes its files. During the run the export keeps of each profile
// only a small record, with the data file and the byte its profile starts
// at; its scans are decoded a second time, by the same decoder, when they
// are written: as many as the run read of it. A data file that no longer
// gives them (changed or gone since) fails the instrument's files.

#include "export/export_columns.h"
#include "export/profile_record.h"
#include "formats/decoder.h"
#include "formats/sink.h"
#include "platform/file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The bytes of one scan of the instrument's kind, as the decoder hands it over.
std::size_t ScanSize(Instrument instrument);

class ProfileReplay final : private ProfileSink, private Reporter {
public:
    // The profiles of `instrument`, read from `files` (the instrument's data
    // files, which a ProfileRecord's dataFile indexes) in `source` (the
    // folder with its separator), decoded with `options`.
    ProfileReplay(Instrument instrument, const std::vector<std::string>& files, std::string source,
                  const DecodeOptions& options);
    ~ProfileReplay() override;

    // Where the scans go: `raw` holds `chunkScans` scans (ScanSize each);
    // once it is full, and by Flush, `take(count)` is handed its first
    // `count` scans, and returns false to stop the reading.
    void Into(unsigned char* raw, std::size_t chunkScans, std::function<bool(std::size_t)> take);
    // Decodes profile `r` again, its scans into the chunks. False when it
    // failed (Error says why) or `take` stopped it.
    bool Read(const ProfileRecord& r);
    // Hands on the scans still in the chunk; false when `take` stopped.
    bool Flush();

    // Decodes engineering profile `r` again into the times and pressures of
    // its scans, in scan order (the instrument is the engineering one; no
    // chunks). False when it failed.
    bool ReadTrack(const ProfileRecord& r, std::vector<std::pair<double, float>>& points);

    // Why the last Read failed (empty when `take` stopped it): a sentence
    // naming the data file.
    const std::string& Error() const { return error_; }

private:
    bool Open(uint32_t dataFile);
    // Sets the error: the data file of `r`, then `what` happened; false.
    bool Fail(const ProfileRecord& r, const std::string& what);
    template <typename Values>
    void Add(const Values& scan);

    // ProfileSink: the scans only (the rest was heard during the run).
    void EngineeringScan(const EngineeringValues& scan) override;
    void CtdScan(const CtdValues& scan) override;
    void AcmScan(const AcmValues& scan) override;
    // Reporter: the run logged the decoder's messages already.
    void Message(int, MessageId, va_list) override {}
    // (A profile is not read on past the scans the run read.)
    bool CancelRequested() override { return stopped_ || overrun_; }

    const Instrument instrument_;
    const std::vector<std::string>& files_;
    const std::string source_;
    const DecodeOptions options_;

    File in_;
    uint32_t open_ = UINT32_MAX;  // the data file `in_` reads
    std::unique_ptr<char[]> buffer_;

    unsigned char* raw_ = nullptr;
    std::size_t chunkScans_ = 0;
    std::size_t used_ = 0;  // scans in the chunk
    std::function<bool(std::size_t)> take_;
    std::vector<std::pair<double, float>>* track_ = nullptr;  // ReadTrack's points

    uint64_t left_ = 0;      // scans of the profile still expected
    bool overrun_ = false;   // the profile gave more scans than the run read
    bool stopped_ = false;   // `take` said stop
    std::string error_;
};
