#include "export/netcdf_file.h"

#include "export/netcdf_direct.h"
#include "export/netcdf_layout.h"
#include "platform/platform.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

static_assert(kNetcdfGlobal == NC_GLOBAL);
static_assert(kNetcdfUnlimited == NC_UNLIMITED);

std::recursive_mutex& NetcdfCallLock() {
    static std::recursive_mutex calls;
    return calls;
}

namespace {

// The variables WriteDirectly takes over hold at least this many bytes; a
// smaller file stays netCDF-C's alone.
constexpr std::size_t kDirectMinimumBytes = std::size_t{1} << 20;

// Writes `values` of `type` into the hyperslab at `start` of `counts`.
int PutVara(int ncid, int var, NetcdfType type, const std::size_t* start, const std::size_t* counts,
            const void* values) {
    switch (type) {
        case NetcdfType::Byte: return nc_put_vara_schar(ncid, var, start, counts, static_cast<const signed char*>(values));
        case NetcdfType::Char: return nc_put_vara_text(ncid, var, start, counts, static_cast<const char*>(values));
        case NetcdfType::Short: return nc_put_vara_short(ncid, var, start, counts, static_cast<const short*>(values));
        case NetcdfType::Int: return nc_put_vara_int(ncid, var, start, counts, static_cast<const int*>(values));
        case NetcdfType::Float: return nc_put_vara_float(ncid, var, start, counts, static_cast<const float*>(values));
        case NetcdfType::Double:
            return nc_put_vara_double(ncid, var, start, counts, static_cast<const double*>(values));
    }
    return NC_EBADTYPE;
}

static_assert(NC_BYTE == 1 && NC_CHAR == 2 && NC_SHORT == 3 && NC_INT == 4 && NC_FLOAT == 5 && NC_DOUBLE == 6);

nc_type TypeOf(NetcdfType type) {
    return static_cast<nc_type>(NetcdfTypeCode(type));
}

}  // namespace

// What netCDF-C tells of a variable: its name, type, rank, and its last
// dimension and that one's length (-1 and 0 for a scalar).
struct NetcdfVariableShape {
    char name[NC_MAX_NAME + 1] = "";
    nc_type type = NC_NAT;
    int dims = 0;
    int lastDim = -1;
    std::size_t rowLength = 0;
};

bool NetcdfFile::Inquire(int var, NetcdfVariableShape& v) {
    int dimIds[NC_MAX_VAR_DIMS] = {};
    if (!Check(nc_inq_var(ncid_, var, v.name, &v.type, &v.dims, dimIds, nullptr), "no such variable", nullptr))
        return false;
    if (v.dims == 0) return true;
    v.lastDim = dimIds[v.dims - 1];
    return Check(nc_inq_dimlen(ncid_, v.lastDim, &v.rowLength), "cannot read the row length of", v.name);
}

NetcdfFile::NetcdfFile() = default;

NetcdfFile::~NetcdfFile() {
    Abandon();
}

NetcdfFile::NetcdfFile(NetcdfFile&& other) noexcept
    : ncid_(std::exchange(other.ncid_, -1)),
      direct_(std::move(other.direct_)),
      memory_(std::exchange(other.memory_, nullptr)),
      path_(std::move(other.path_)),
      temporary_(std::move(other.temporary_)),
      error_(std::move(other.error_)),
      failed_(other.failed_.load()) {}

NetcdfFile& NetcdfFile::operator=(NetcdfFile&& other) noexcept {
    if (this != &other) {
        Abandon();
        ncid_ = std::exchange(other.ncid_, -1);
        direct_ = std::move(other.direct_);
        memory_ = std::exchange(other.memory_, nullptr);
        path_ = std::move(other.path_);
        temporary_ = std::move(other.temporary_);
        error_ = std::move(other.error_);
        failed_ = other.failed_.load();
    }
    return *this;
}

void NetcdfFile::Abandon() {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    const bool open = IsOpen();
    if (ncid_ >= 0) {
        nc_abort(ncid_);
        ncid_ = -1;
    }
    direct_.reset();
    if (open && !memory_) RemoveFile(temporary_.c_str());
}

std::string NetcdfFile::TemporaryPath(const std::string& path) {
    return path + ".part";
}

void NetcdfFile::Fail(const std::string& text) {
    if (error_.empty()) error_ = text;
    failed_ = true;
}

bool NetcdfFile::Check(int status, const char* what, const char* name) {
    if (status == NC_NOERR) return true;
    std::string text = path_ + ": " + what;
    if (name != nullptr) text += std::string(" '") + name + "'";
    Fail(text + ": " + nc_strerror(status));
    return false;
}

bool NetcdfFile::Usable() {
    if (!error_.empty()) return false;
    if (!IsOpen()) {
        Fail((path_.empty() ? std::string("netCDF file") : path_) + ": the file is not open");
        return false;
    }
    if (ncid_ >= 0) return true;
    std::string cause;
    if (!direct_->Suspend(cause)) {
        Fail(path_ + ": " + cause);
        return false;
    }
    int ncid = -1;
    if (!Check(nc_open(temporary_.c_str(), NC_WRITE, &ncid), "cannot reopen the file", nullptr)) return false;
    ncid_ = ncid;
    return true;
}

bool NetcdfFile::ToDirect() {
    if (ncid_ < 0) return true;
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    return Check(nc_close(std::exchange(ncid_, -1)), "cannot write the file", nullptr);
}

bool NetcdfFile::WriteDirectly(int dim) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (direct_ && error_.empty()) return true;
    if (!Usable()) return false;
    if (memory_) return true;
    int count = 0;
    if (!Check(nc_inq_nvars(ncid_, &count), "cannot count the variables", nullptr)) return false;
    uint64_t bytes = 0;
    for (int var = 0; var < count; ++var) {
        int dims = 0;
        int dimIds[NC_MAX_VAR_DIMS] = {};
        nc_type type = NC_NAT;
        if (!Check(nc_inq_var(ncid_, var, nullptr, &type, &dims, dimIds, nullptr), "no such variable", nullptr))
            return false;
        if (dims == 0 || dimIds[0] != dim) continue;
        uint64_t values = 1;
        for (int d = 0; d < dims; ++d) {
            std::size_t length = 0;
            if (!Check(nc_inq_dimlen(ncid_, dimIds[d], &length), "cannot read a dimension's length", nullptr))
                return false;
            values *= length;
        }
        bytes += values * NetcdfTypeSize(type);
    }
    if (bytes < kDirectMinimumBytes) return true;
    if (!Check(nc_close(std::exchange(ncid_, -1)), "cannot write the file", nullptr)) {
        RemoveFile(temporary_.c_str());
        return false;
    }
    direct_ = std::make_unique<NetcdfDirectValues>();
    std::string cause;
    if (!direct_->Open(temporary_, dim, cause)) {
        Fail(path_ + ": " + cause);
        return false;
    }
    return true;
}

bool NetcdfFile::Create(const std::string& path, bool prefill, NetcdfMemory* memory) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    Abandon();
    path_ = path;
    temporary_ = TemporaryPath(path);
    memory_ = memory;
    error_.clear();
    failed_ = false;
    int ncid = -1;
    if (memory_) {
        if (!Check(nc_create_mem(temporary_.c_str(), NC_64BIT_OFFSET, 0, &ncid), "cannot create the dataset in memory",
                   nullptr)) {
            return false;
        }
    } else if (!Check(nc_create(temporary_.c_str(), NC_64BIT_OFFSET | NC_CLOBBER, &ncid), "cannot create the file",
                      nullptr)) {
        RemoveFile(temporary_.c_str());
        return false;
    }
    ncid_ = ncid;
    int oldMode = 0;
    return Check(nc_set_fill(ncid_, prefill ? NC_FILL : NC_NOFILL, &oldMode), "cannot set fill mode", nullptr);
}

int NetcdfFile::DefineDim(const char* name, std::size_t length) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return -1;
    int id = -1;
    if (!Check(nc_def_dim(ncid_, name, length, &id), "cannot define dimension", name)) return -1;
    return id;
}

int NetcdfFile::DefineVar(const char* name, NetcdfType type, std::initializer_list<int> dims) {
    return DefineVar(name, type, std::span<const int>(dims.begin(), dims.size()));
}

int NetcdfFile::DefineVar(const char* name, NetcdfType type, std::span<const int> dims) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return -1;
    int id = -1;
    if (!Check(nc_def_var(ncid_, name, TypeOf(type), static_cast<int>(dims.size()), dims.data(), &id),
               "cannot define variable", name)) {
        return -1;
    }
    return id;
}

bool NetcdfFile::PutAtt(int var, const char* name, NetcdfType type, std::size_t count, const void* values) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return false;
    int status = NC_NOERR;
    switch (type) {
        case NetcdfType::Char:
            status = nc_put_att_text(ncid_, var, name, count, static_cast<const char*>(values));
            break;
        case NetcdfType::Byte:
            status = nc_put_att_schar(ncid_, var, name, NC_BYTE, count, static_cast<const signed char*>(values));
            break;
        case NetcdfType::Short:
            status = nc_put_att_short(ncid_, var, name, NC_SHORT, count, static_cast<const short*>(values));
            break;
        case NetcdfType::Int:
            status = nc_put_att_int(ncid_, var, name, NC_INT, count, static_cast<const int*>(values));
            break;
        case NetcdfType::Float:
            status = nc_put_att_float(ncid_, var, name, NC_FLOAT, count, static_cast<const float*>(values));
            break;
        case NetcdfType::Double:
            status = nc_put_att_double(ncid_, var, name, NC_DOUBLE, count, static_cast<const double*>(values));
            break;
    }
    return Check(status, "cannot write attribute", name);
}

bool NetcdfFile::PutAttText(int var, const char* name, std::string_view text) {
    return PutAtt(var, name, NetcdfType::Char, text.size(), text.data());
}
bool NetcdfFile::PutAttBytes(int var, const char* name, std::span<const int8_t> values) {
    return PutAtt(var, name, NetcdfType::Byte, values.size(), values.data());
}
bool NetcdfFile::PutAttShorts(int var, const char* name, std::span<const int16_t> values) {
    return PutAtt(var, name, NetcdfType::Short, values.size(), values.data());
}
bool NetcdfFile::PutAttInts(int var, const char* name, std::span<const int32_t> values) {
    return PutAtt(var, name, NetcdfType::Int, values.size(), values.data());
}
bool NetcdfFile::PutAttFloats(int var, const char* name, std::span<const float> values) {
    return PutAtt(var, name, NetcdfType::Float, values.size(), values.data());
}
bool NetcdfFile::PutAttDoubles(int var, const char* name, std::span<const double> values) {
    return PutAtt(var, name, NetcdfType::Double, values.size(), values.data());
}
bool NetcdfFile::PutAttBytes(int var, const char* name, std::initializer_list<int8_t> values) {
    return PutAtt(var, name, NetcdfType::Byte, values.size(), values.begin());
}
bool NetcdfFile::PutAttShorts(int var, const char* name, std::initializer_list<int16_t> values) {
    return PutAtt(var, name, NetcdfType::Short, values.size(), values.begin());
}
bool NetcdfFile::PutAttInts(int var, const char* name, std::initializer_list<int32_t> values) {
    return PutAtt(var, name, NetcdfType::Int, values.size(), values.begin());
}
bool NetcdfFile::PutAttFloats(int var, const char* name, std::initializer_list<float> values) {
    return PutAtt(var, name, NetcdfType::Float, values.size(), values.begin());
}
bool NetcdfFile::PutAttDoubles(int var, const char* name, std::initializer_list<double> values) {
    return PutAtt(var, name, NetcdfType::Double, values.size(), values.begin());
}

bool NetcdfFile::EndDefine() {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return false;
    return Check(nc_enddef(ncid_), "cannot end define mode", nullptr);
}

bool NetcdfFile::PutDirect(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values) {
    // Straight into the file; once netCDF-C has let go of it, from any
    // thread (each its own range), without the lock but on a failure.
    if (failed_ || !ToDirect()) return false;
    std::string cause;
    if (direct_->Put(var, type, first, count, values, cause)) return true;
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    Fail(path_ + ": " + cause);
    return false;
}

bool NetcdfFile::PutValues(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values) {
    if (direct_ && direct_->Covers(var) && direct_->RowLength(var) == 1)
        return PutDirect(var, type, first, count, values);
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return false;
    NetcdfVariableShape v;
    if (!Inquire(var, v)) return false;
    // A scalar takes one value at index 0.
    if (v.type != TypeOf(type) || v.dims > 1 || (v.dims == 0 && (first != 0 || count != 1))) {
        Fail(path_ + ": cannot write variable '" + v.name + "': the values are not of its type and shape");
        return false;
    }
    if (count == 0) return true;
    const std::size_t start[1] = {first};
    const std::size_t counts[1] = {count};
    return Check(PutVara(ncid_, var, type, start, counts, values), "cannot write variable", v.name);
}

bool NetcdfFile::PutBytes(int var, std::size_t first, std::span<const int8_t> values) {
    return PutValues(var, NetcdfType::Byte, first, values.size(), values.data());
}
bool NetcdfFile::PutShorts(int var, std::size_t first, std::span<const int16_t> values) {
    return PutValues(var, NetcdfType::Short, first, values.size(), values.data());
}
bool NetcdfFile::PutInts(int var, std::size_t first, std::span<const int32_t> values) {
    return PutValues(var, NetcdfType::Int, first, values.size(), values.data());
}
bool NetcdfFile::PutFloats(int var, std::size_t first, std::span<const float> values) {
    return PutValues(var, NetcdfType::Float, first, values.size(), values.data());
}
bool NetcdfFile::PutDoubles(int var, std::size_t first, std::span<const double> values) {
    return PutValues(var, NetcdfType::Double, first, values.size(), values.data());
}

bool NetcdfFile::PutRows(int var, NetcdfType type, std::size_t row, std::size_t count, const void* values) {
    if (direct_ && direct_->Covers(var)) {
        const std::size_t length = direct_->RowLength(var);
        if (count != 0 && count % length == 0) return PutDirect(var, type, row * length, count, values);
        const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
        Fail(path_ + ": cannot write variable '" + direct_->Name(var) + "': the values are not rows of it");
        return false;
    }
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return false;
    NetcdfVariableShape v;
    if (!Inquire(var, v)) return false;
    const std::size_t rows = v.rowLength == 0 ? 0 : count / v.rowLength;
    if (v.type != TypeOf(type) || v.dims < 1 || v.dims > 2 || rows == 0 || rows * v.rowLength != count ||
        (v.dims == 1 && (row != 0 || rows != 1))) {
        Fail(path_ + ": cannot write variable '" + v.name + "': the values are not rows of it");
        return false;
    }
    const std::size_t start[2] = {row, 0};
    const std::size_t counts[2] = {rows, v.rowLength};
    const std::size_t* at = v.dims == 2 ? start : start + 1;
    const std::size_t* n = v.dims == 2 ? counts : counts + 1;
    return Check(PutVara(ncid_, var, type, at, n, values), "cannot write variable", v.name);
}
bool NetcdfFile::PutFloatRows(int var, std::size_t row, std::span<const float> values) {
    return PutRows(var, NetcdfType::Float, row, values.size(), values.data());
}
bool NetcdfFile::PutShortRows(int var, std::size_t row, std::span<const int16_t> values) {
    return PutRows(var, NetcdfType::Short, row, values.size(), values.data());
}
bool NetcdfFile::PutDoubleRows(int var, std::size_t row, std::span<const double> values) {
    return PutRows(var, NetcdfType::Double, row, values.size(), values.data());
}
bool NetcdfFile::PutCharRow(int var, std::size_t row, std::string_view text) {
    return PutRows(var, NetcdfType::Char, row, text.size(), text.data());
}

bool NetcdfFile::PutTextRow(int var, std::size_t row, std::string_view text) {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!Usable()) return false;
    NetcdfVariableShape v;
    if (!Inquire(var, v)) return false;
    if (v.type != NC_CHAR || v.dims != 2) {
        Fail(path_ + ": cannot write variable '" + v.name + "': it is not a table of text rows");
        return false;
    }
    if (text.size() > v.rowLength) {
        Fail(path_ + ": cannot write variable '" + v.name + "': the text '" + std::string(text) +
                 "' is longer than its " + std::to_string(v.rowLength) + " characters");
        return false;
    }
    std::vector<char> padded(v.rowLength, '\0');
    text.copy(padded.data(), text.size());
    const std::size_t start[2] = {row, 0};
    const std::size_t counts[2] = {1, v.rowLength};
    return Check(nc_put_vara_text(ncid_, var, start, counts, padded.data()), "cannot write variable", v.name);
}

bool NetcdfFile::Close() {
    const std::lock_guard<std::recursive_mutex> lock(NetcdfCallLock());
    if (!IsOpen()) {
        Fail((path_.empty() ? std::string("netCDF file") : path_) + ": the file is not open");
        return false;
    }
    if (!error_.empty()) {
        Abandon();
        return false;
    }
    const int ncid = std::exchange(ncid_, -1);
    if (memory_) {
        NC_memio memio = {};
        if (!Check(nc_close_memio(ncid, &memio), "cannot finish the dataset in memory", nullptr)) return false;
        memory_->files[path_].assign(static_cast<const char*>(memio.memory), memio.size);
        std::free(memio.memory);
        return true;
    }
    std::string cause;
    if (ncid >= 0 && !Check(nc_close(ncid), "cannot write the file", nullptr)) {
        direct_.reset();
        RemoveFile(temporary_.c_str());
        return false;
    }
    if (direct_ && !direct_->Suspend(cause)) {
        Fail(path_ + ": " + cause);
        direct_.reset();
        RemoveFile(temporary_.c_str());
        return false;
    }
    direct_.reset();
    if (!RenameFile(temporary_.c_str(), path_.c_str())) {
        Fail(path_ + ": cannot rename " + temporary_ + " to it");
        RemoveFile(temporary_.c_str());
        return false;
    }
    return true;
}
