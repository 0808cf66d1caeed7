#include "export/export_state.h"

#include "export/csv_row.h"
#include "export/profile_replay.h"
#include "export/text_output.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The engineering pressure-time track of profile `profile`, its scans
// decoded again through `replay` (from any thread); empty when there is
// none. False when its data file no longer gives them.
bool TrackOf(const InstrumentExport& engineering, ProfileReplay& replay, uint32_t profile, PressureTrack& track)
{
    track.points.clear();
    track.next = 0;
    track.ordered = false;
    const auto& records = engineering.records;
    const auto at = std::lower_bound(records.begin(), records.end(), profile,
                                     [](const ProfileRecord& r, uint32_t p) { return r.number < p; });
    if (at == records.end() || at->number != profile || at->scans == 0)
        return true;
    if (!replay.ReadTrack(*at, track.points))
        return false;
    // The scans' times are whole seconds (never NaN): in order already, as
    // most tracks are, they need no sort.
    const auto earlier = [](const std::pair<double, float>& a, const std::pair<double, float>& b) {
        return a.first < b.first;
    };
    if (!std::is_sorted(track.points.begin(), track.points.end(), earlier))
        std::stable_sort(track.points.begin(), track.points.end(), earlier);
    track.ordered = true;
    return true;
}

// One instrument's files, written a piece at a time: the pieces (whole
// profiles) are worked out on any thread, each from its profiles decoded
// again, and their CSV text and grid rows go to the files in order.
class InstrumentFiles final : public InstrumentFilesJob {
public:
    InstrumentFiles(DeploymentExport::State& state, std::size_t index, ExportHost& host)
        : s_(state), index_(index), ins_(*state.instruments[index]), host_(host)
    {
        // A profile with no time and no scans has no place in the files of
        // scans, unless no profile has one (a netCDF file of no profiles
        // and no scans cannot be written: both its dimensions would be empty).
        for (const ProfileRecord& r : s_.listings[index])
            if (!std::isnan(r.time) || r.scans != 0)
                listed_.push_back(r);
        if (listed_.empty())
            listed_ = s_.listings[index];
        // The pieces: whole profiles, about kPieceScans scans each.
        Piece piece;
        for (std::size_t p = 0; p < listed_.size(); ++p) {
            piece.scans += listed_[p].scans;
            if (piece.scans >= kPieceScans || p + 1 == listed_.size()) {
                piece.endProfile = p + 1;
                pieces_.push_back(piece);
                piece = Piece{p + 1, p + 1, piece.firstObs + piece.scans, 0};
            }
        }
        if (pieces_.empty())
            pieces_.push_back(Piece{});
        results_.resize(pieces_.size());
    }

    bool Written() const override { return written_; }

    std::size_t Pieces() const override { return pieces_.size(); }

    void Start() override
    {
        s_.NoteIgnored(index_, host_);
        if (host_.StopRequested())
            return;  // not begun: no file, no line
        started_ = true;
        const Instrument kind = ins_.info.instrument;
        columns_ = ColumnsOf(kind, s_.run.options.layout301);
        ncPath_ = s_.PathOf(ins_.info.name) + ".nc";
        csvPath_ = s_.PathOf(ins_.info.name) + ".csv";
        gridded_ = s_.choice.netcdf && kind == Instrument::Ctd;
        items_ = (s_.choice.netcdf ? 1 : 0) + (s_.choice.csv ? 1 : 0) + (gridded_ ? 1 : 0);
        // The profiles' variables and the deployment's times.
        uint64_t obs = 0;
        double timeLow = kNaN, timeHigh = kNaN;
        Widen(ins_.scanTimeLow, timeLow, timeHigh);
        Widen(ins_.scanTimeHigh, timeLow, timeHigh);
        for (const auto& r : listed_) {
            obs += r.scans;
            for (double t : {r.time, r.sensorOn, r.sensorOff, r.motionStart, r.motionStop})
                Widen(t, timeLow, timeHigh);
        }

        // Which way each CTD profile went, from the engineering profile of its number.
        if (kind == Instrument::Ctd)
            if (const InstrumentExport* engineering = s_.Find(KindEngineering))
                for (ProfileRecord& r : listed_) {
                    const auto& e = engineering->records;
                    const auto at = std::lower_bound(e.begin(), e.end(), r.number,
                                                     [](const ProfileRecord& a, uint32_t n) { return a.number < n; });
                    if (at != e.end() && at->number == r.number)
                        r.direction = DirectionOf(at->firstPressure, at->lastPressure);
                }

        quality_ = std::make_unique<ProfileQuality>(QcColumnsOf(kind, columns_), s_.qc, s_.choice.qc);
        timeColumn_ = columns_.size();  // the scans' own times; none: estimated
        estimatedColumn_ = columns_.size();
        zColumn_ = columns_.size();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (std::strcmp(columns_[i].name, "scan_time") == 0)
                timeColumn_ = i;
            if (std::strcmp(columns_[i].name, "time_estimated") == 0)
                estimatedColumn_ = i;
            if (columns_[i].verticalAxis)
                zColumn_ = i;
            const NetcdfType type = columns_[i].type;
            std::size_t& n = type == NetcdfType::Float    ? typedColumns_.floats
                             : type == NetcdfType::Double ? typedColumns_.doubles
                                                          : typedColumns_.shorts;
            slot_.push_back(n++);
        }

        if (s_.choice.netcdf) {
            host_.Writing(ncPath_);
            if (!s_.DefineAndFill(nc_, ncPath_, ins_, listed_, obs, timeLow, timeHigh, columns_, obsVars_,
                                  *quality_)) {
                Fail("Error writing export file " + nc_.Error());
                return;
            }
        }
        if (gridded_)
            gridOk_ = s_.OpenGrid(grid_, ins_, listed_, timeLow, timeHigh, host_);
        gridOpen_ = grid_.IsOpen();

        if (s_.choice.csv) {
            host_.Writing(csvPath_);
            if (!csv_.Open(csvPath_)) {
                Fail("Error creating export file " + csvPath_);
                return;
            }
            std::string header = "profile,time (UTC),scan";
            for (const Column& c : columns_) {
                if (!c.csvFormat && !c.csvTime)
                    continue;
                header += std::string(",") + c.name;
                if (c.csvTime)
                    header += " (UTC)";
                else if (c.units)
                    header += std::string(" (") + c.units + ")";
            }
            csv_.Write(header + "\r\n");
        }

        // The ACM's pressures come from the engineering scans.
        engineering_ = kind == Instrument::Acm ? s_.Find(KindEngineering) : nullptr;
    }

    void Work(std::size_t index) override
    {
        if (!started_ || failed_)
            return;
        const Piece& piece = pieces_[index];
        const std::size_t scanSize = ScanSize(ins_.info.instrument);
        std::unique_ptr<PieceResult> result = Spare(spareResults_);
        std::unique_ptr<Workspace> space = Spare(spareSpaces_);
        // The workspace is kept for the next piece, however this one ends.
        struct GiveBack {
            InstrumentFiles& files;
            std::unique_ptr<Workspace>& space;
            ~GiveBack() { files.Keep(files.spareSpaces_, std::move(space)); }
        } giveBack{*this, space};
        Workspace& work = *space;
        const std::size_t chunk = static_cast<std::size_t>(std::min<uint64_t>(kChunkScans, piece.scans));
        const std::size_t held = static_cast<std::size_t>(std::min<uint64_t>(kHeldScans, piece.scans));
        work.Size(chunk, held, scanSize, columns_.size(), typedColumns_);
        uint64_t heldFirst = piece.firstObs;  // the scans held in the netCDF columns
        std::size_t heldCount = 0;
        ProfileQuality quality = *quality_;
        quality.StartAt(piece.firstObs);
        NetcdfFile* nc = s_.choice.netcdf ? &nc_ : nullptr;

        // The piece's profiles decoded again, a chunk of scans at a time.
        ProfileReplay replay(ins_.info.instrument, ins_.files, s_.run.source, s_.run.options);
        std::optional<ProfileReplay> engineering;
        if (engineering_)
            engineering.emplace(Instrument::Engineering, engineering_->files, s_.run.source, s_.run.options);
        Cursor cursor;
        cursor.profile = piece.firstProfile;
        cursor.engineering = engineering ? &*engineering : nullptr;
        if (cursor.engineering && cursor.profile < piece.endProfile && listed_[cursor.profile].scans != 0 &&
            !Track(cursor))
            return;
        replay.Into(work.raw.data(), chunk, [&](std::size_t count) {
            if (host_.StopRequested()) {
                Fail("Operation cancelled by user: the " + std::string(ins_.info.title) +
                     " export files were not written");
                return false;
            }
            if (failed_ || !MakeRows(piece, count, cursor, work))
                return false;
            TakeRows(count, work, quality, nc, *result);
            if (nc) {
                if (heldCount + count > held) {
                    if (!PutColumns(heldCount, heldFirst, held, work)) {
                        FailOfFile();
                        return false;
                    }
                    heldFirst += heldCount;
                    heldCount = 0;
                }
                HoldColumns(count, heldCount, held, work);
                heldCount += count;
            }
            return true;
        });
        for (std::size_t p = piece.firstProfile; p < piece.endProfile; ++p)
            if (!replay.Read(listed_[p])) {
                if (!replay.Error().empty())
                    FailOfReading(replay.Error());
                return;
            }
        if (!replay.Flush())
            return;
        if (nc && (!PutColumns(heldCount, heldFirst, held, work) || !quality.Flush(*nc))) {
            FailOfFile();
            return;
        }
        results_[index] = std::move(result);
    }

    void Commit(std::size_t index) override
    {
        std::unique_ptr<PieceResult> result = std::move(results_[index]);
        if (!result || failed_)
            return;
        Widen(result->zLow, zLow_, zHigh_);
        Widen(result->zHigh, zLow_, zHigh_);
        if (s_.choice.csv)
            csv_.Write(result->csv.Text());
        for (const GridRow& row : result->gridRows)
            gridOk_ = grid_.PutRow(row) && gridOk_;
        result->Clear();
        Keep(spareResults_, std::move(result));
    }

    void Finish() override
    {
        spareResults_.clear();
        spareSpaces_.clear();
        if (!started_)
            return;
        if (failed_) {
            const std::string line = failure_.empty() ? "Error writing export file " + nc_.Error() : failure_;
            nc_ = NetcdfFile();
            grid_ = GridFile();
            csv_.Abandon();
            host_.Error(line);
            for (uint32_t i = 0; i < items_; ++i)
                host_.ItemDone();
            return;
        }
        bool ok = true;
        if (s_.choice.netcdf) {
            quality_->PutGrades(nc_, listed_);
            if (!std::isnan(zLow_)) {
                nc_.PutAttDoubles(kNetcdfGlobal, kVerticalMin, {zLow_});
                nc_.PutAttDoubles(kNetcdfGlobal, kVerticalMax, {zHigh_});
            }
            if (nc_.Close()) {
                host_.Progress("Export written to file " + ncPath_);
            } else {
                host_.Error("Error writing export file " + nc_.Error());
                ok = false;
            }
            host_.ItemDone();
        }
        if (gridded_) {
            if (grid_.IsOpen()) {
                if (grid_.Close() && gridOk_) {
                    host_.Progress("Export written to file " + s_.PathOf(kGridFileName));
                } else {
                    host_.Error("Error writing export file " + grid_.Error());
                    ok = false;
                }
            } else if (!gridOk_) {
                ok = false;
            }
            host_.ItemDone();
        }
        if (s_.choice.csv) {
            if (csv_.Close()) {
                host_.Progress("Export written to file " + csvPath_);
            } else {
                host_.Error("Error writing export file " + csvPath_ + ": the file could not be written whole");
                ok = false;
            }
            host_.ItemDone();
        }
        written_ = ok;
        // What the writing found out of each profile (its grades) goes to profiles.csv too.
        std::vector<ProfileRecord>& all = s_.listings[index_];
        std::size_t at = 0;
        for (const ProfileRecord& r : listed_) {
            while (all[at].number != r.number)
                ++at;
            all[at] = r;
        }
    }

private:
    // Scans a piece holds at least, but for the last (whole profiles each).
    static constexpr uint64_t kPieceScans = 1 << 14;
    // Scans whose netCDF columns are held before they are put: a call into
    // the system for each column costs more than its bytes.
    static constexpr uint64_t kHeldScans = 1 << 15;

    struct Piece {
        std::size_t firstProfile = 0, endProfile = 0;  // listed profiles
        uint64_t firstObs = 0;                         // its first scan's index in the files
        uint64_t scans = 0;
    };
    // The CSV rows of a piece, as they will stand in the file.
    class CsvText {
    public:
        void Put(Instrument kind, bool layout301, uint32_t profile, uint32_t scan, const double* v)
        {
            if (text_.size() - used_ < kMaxCsvRowLength)
                text_.resize(std::max(2 * text_.size(), used_ + kMaxCsvRowLength));
            used_ = static_cast<std::size_t>(PutCsvRow(text_.data() + used_, kind, layout301, profile, scan, v) -
                                             text_.data());
        }
        std::string_view Text() const { return {text_.data(), used_}; }
        void Clear() { used_ = 0; }

    private:
        std::vector<char> text_;
        std::size_t used_ = 0;
    };
    struct PieceResult {
        CsvText csv;
        std::vector<GridRow> gridRows;
        double zLow = kNaN, zHigh = kNaN;
        void Clear()
        {
            csv.Clear();
            gridRows.clear();
            zLow = zHigh = kNaN;
        }
    };
    // The netCDF columns of each type (the columns' slots count within their type).
    struct TypedColumns {
        std::size_t floats = 0, doubles = 0, shorts = 0;
    };
    // What a piece's work needs for a chunk of its scans.
    struct Workspace {
        std::vector<unsigned char> raw;
        std::vector<double> values;  // a row of each scan
        std::vector<float> floats;   // the netCDF columns in their types, `held` scans each
        std::vector<double> doubles;
        std::vector<int16_t> shorts;
        std::vector<std::size_t> profileOf;     // per row: its listed profile
        std::vector<uint32_t> indexInProfile;  // and its index there
        void Size(std::size_t chunk, std::size_t held, std::size_t scanSize, std::size_t width,
                  const TypedColumns& typed)
        {
            raw.resize(chunk * scanSize);
            values.resize(chunk * width);
            floats.resize(held * typed.floats);
            doubles.resize(held * typed.doubles);
            shorts.resize(held * typed.shorts);
            profileOf.resize(chunk);
            indexInProfile.resize(chunk);
        }
    };

    // Where a piece's rows have got to: the listed profile of the next
    // scan, that scan's index in it, and (ACM) the profile's pressure track.
    struct Cursor {
        std::size_t profile = 0;
        uint32_t index = 0;
        PressureTrack track;
        ProfileReplay* engineering = nullptr;  // (ACM) where the tracks come from
    };

    // The pressure track of the cursor's profile; false (failed) when it
    // could not be read.
    bool Track(Cursor& at)
    {
        if (TrackOf(*engineering_, *at.engineering, listed_[at.profile].number, at.track))
            return true;
        FailOfReading(at.engineering->Error());
        return false;
    }

    // The values of a chunk's `count` scans (in `work.raw`), a row each, and
    // where each row stands; false (failed) when a pressure track could not
    // be read.
    bool MakeRows(const Piece& piece, std::size_t count, Cursor& at, Workspace& work)
    {
        const Instrument kind = ins_.info.instrument;
        const bool layout301 = s_.run.options.layout301;
        const std::size_t scanSize = ScanSize(kind);
        const std::size_t width = columns_.size();
        for (std::size_t i = 0; i < count; ++i) {
            while (at.profile < piece.endProfile && at.index >= listed_[at.profile].scans) {  // the next profile
                ++at.profile;
                at.index = 0;
                if (at.engineering && at.profile < piece.endProfile && listed_[at.profile].scans != 0 && !Track(at))
                    return false;
            }
            const ProfileRecord& r = listed_[at.profile];
            const ScanContext context{s_.latitude, at.index, r.scans, r.sensorOn, r.sensorOff, r.time, &at.track};
            double* v = &work.values[i * width];
            const unsigned char* scan = &work.raw[i * scanSize];
            if (kind == Instrument::Ctd) {
                CtdValues c;
                std::memcpy(&c, scan, sizeof c);
                CtdRow(c, context, v);
            } else if (kind == Instrument::Acm) {
                AcmValues a;
                std::memcpy(&a, scan, sizeof a);
                AcmRow(a, context, v);
            } else {
                EngineeringValues e;
                std::memcpy(&e, scan, sizeof e);
                EngineeringRow(e, context, layout301, v);
            }
            work.profileOf[i] = at.profile;
            work.indexInProfile[i] = at.index++;
        }
        PutDerivedValues(kind, work.values.data(), count, width, s_.latitude);
        return true;
    }

    // What a chunk's rows give besides the netCDF columns: the CSV rows, the
    // vertical extent, the quality tests and, as a profile ends, its grid row.
    void TakeRows(std::size_t count, const Workspace& work, ProfileQuality& quality, NetcdfFile* nc,
                  PieceResult& result)
    {
        const std::size_t width = columns_.size();
        for (std::size_t first = 0; first < count;) {
            // The rows of one profile, first .. end.
            const std::size_t profile = work.profileOf[first];
            std::size_t end = first + 1;
            while (end < count && work.profileOf[end] == profile)
                ++end;
            ProfileRecord& r = listed_[profile];
            for (std::size_t i = first; i < end; ++i) {
                const double* v = &work.values[i * width];
                if (zColumn_ < width)
                    Widen(v[zColumn_], result.zLow, result.zHigh);
                if (s_.choice.csv)
                    result.csv.Put(ins_.info.instrument, s_.run.options.layout301, r.number,
                                   work.indexInProfile[i] + 1, v);
            }
            if (!quality.Tested().empty()) {
                // The scans' own times, else their spread times (time_estimated
                // where the sensor times spread them): a scan without them is
                // not placed at its profile's time here, which would make its
                // rate infinite.
                std::size_t timeColumn = width;
                if (timeColumn_ < width)
                    timeColumn = timeColumn_;
                else if (estimatedColumn_ < width && !std::isnan(r.sensorOn) && !std::isnan(r.sensorOff))
                    timeColumn = estimatedColumn_;
                quality.Add(&work.values[first * width], width, end - first, timeColumn);
                if (work.indexInProfile[end - 1] + 1 == r.scans) {
                    quality.EndProfile(r, nc);
                    if (gridOpen_)
                        result.gridRows.push_back(grid_.RowOf(profile, quality));
                }
            }
            first = end;
        }
    }

    // The chunk's rows taken into their netCDF columns' types, from place
    // `at` on of columns `held` scans long.
    void HoldColumns(std::size_t count, std::size_t at, std::size_t held, Workspace& work)
    {
        // A block of rows at a time (a pass of each column over the whole
        // chunk would read it from memory again and again).
        const std::size_t width = columns_.size();
        constexpr std::size_t kBlock = 256;
        for (std::size_t from = 0; from < count; from += kBlock) {
            const std::size_t end = std::min(count, from + kBlock);
            for (std::size_t c = 0; c < width; ++c) {
                const double* v = &work.values[c];
                const std::size_t to = slot_[c] * held + at;
                if (columns_[c].type == NetcdfType::Float)
                    for (std::size_t i = from; i < end; ++i)
                        work.floats[to + i] = static_cast<float>(v[i * width]);
                else if (columns_[c].type == NetcdfType::Double)
                    for (std::size_t i = from; i < end; ++i)
                        work.doubles[to + i] = v[i * width];
                else
                    for (std::size_t i = from; i < end; ++i)
                        work.shorts[to + i] = static_cast<int16_t>(v[i * width]);
            }
        }
    }

    // Puts the `count` scans held in the columns, from index `first` on;
    // false when the file failed.
    bool PutColumns(std::size_t count, uint64_t first, std::size_t held, const Workspace& work)
    {
        for (std::size_t c = 0; c < columns_.size() && count != 0; ++c) {
            const std::size_t at = slot_[c] * held;
            if (columns_[c].type == NetcdfType::Float)
                nc_.PutFloats(obsVars_[c], first, std::span<const float>(&work.floats[at], count));
            else if (columns_[c].type == NetcdfType::Double)
                nc_.PutDoubles(obsVars_[c], first, std::span<const double>(&work.doubles[at], count));
            else
                nc_.PutShorts(obsVars_[c], first, std::span<const int16_t>(&work.shorts[at], count));
        }
        return nc_.Ok();
    }

    // The spare results and workspaces are used again: large buffers made
    // anew for each piece cost more in page faults than their piece's work.
    template <typename T>
    std::unique_ptr<T> Spare(std::vector<std::unique_ptr<T>>& spares)
    {
        {
            const std::lock_guard<std::mutex> hold(failureLock_);
            if (!spares.empty()) {
                std::unique_ptr<T> spare = std::move(spares.back());
                spares.pop_back();
                return spare;
            }
        }
        return std::make_unique<T>();
    }
    template <typename T>
    void Keep(std::vector<std::unique_ptr<T>>& spares, std::unique_ptr<T> spare)
    {
        if (!spare)
            return;
        const std::lock_guard<std::mutex> hold(failureLock_);
        spares.push_back(std::move(spare));
    }

    // The first failure of the files, from any thread: the line for the log.
    void Fail(const std::string& line)
    {
        const std::lock_guard<std::mutex> hold(failureLock_);
        if (!failed_) {
            failure_ = line;
            failed_ = true;
        }
    }
    // A failure of the netCDF file: its line is made from the file's error
    // once every piece is over (the empty line stands for it).
    void FailOfFile() { Fail({}); }
    // A data file that could not be decoded again (`why`, from ProfileReplay).
    void FailOfReading(const std::string& why)
    {
        Fail("Error writing export files of the " + std::string(ins_.info.title) + ": " + why);
    }

    DeploymentExport::State& s_;
    const std::size_t index_;
    InstrumentExport& ins_;
    ExportHost& host_;
    std::vector<ProfileRecord> listed_;
    std::vector<Piece> pieces_;
    std::vector<std::unique_ptr<PieceResult>> results_;

    bool started_ = false;
    bool written_ = false;
    std::vector<Column> columns_;
    std::string ncPath_, csvPath_;
    bool gridded_ = false;
    uint32_t items_ = 0;
    std::unique_ptr<ProfileQuality> quality_;  // defined in the file; each piece tests with a copy
    std::size_t timeColumn_ = 0, estimatedColumn_ = 0, zColumn_ = 0;
    TypedColumns typedColumns_;
    std::vector<std::size_t> slot_;  // per column: its place among the netCDF columns of its type
    NetcdfFile nc_;
    std::vector<int> obsVars_;
    GridFile grid_;
    bool gridOk_ = true;
    bool gridOpen_ = false;
    TextOutput csv_;
    const InstrumentExport* engineering_ = nullptr;
    double zLow_ = kNaN, zHigh_ = kNaN;

    std::vector<std::unique_ptr<PieceResult>> spareResults_;
    std::vector<std::unique_ptr<Workspace>> spareSpaces_;
    std::mutex failureLock_;  // the failure and the spares
    std::atomic<bool> failed_{false};
    std::string failure_;  // empty: the netCDF file's own error
};

}  // namespace

std::unique_ptr<InstrumentFilesJob> MakeInstrumentFiles(DeploymentExport::State& state, std::size_t index,
                                                        ExportHost& host)
{
    return std::make_unique<InstrumentFiles>(state, index, host);
}
