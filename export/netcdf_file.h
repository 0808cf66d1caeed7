#pragma once
// Writing one netCDF file in the classic 64-bit offset format (CDF-2), which
// every netCDF reader opens. A thin owner of a netCDF-C dataset: it defines
// dimensions, variables and attributes, ends define mode, puts values and
// closes.
//
// The dataset is written as it is defined and filled, to a temporary name
// beside its file (the name and ".part"); Close() gives it the file's name
// once netCDF has written all of it. A failure, or a dataset dropped without
// Close(), removes the temporary file, so no part of a file is ever left under
// its name. (netCDF-C 4.9 keeps its descriptor open after a failed write; a
// failing run may leak it, never a file.)

// Errors are sticky: the first failing call records what failed, with the
// file's name and netCDF's message, and every later call does nothing and
// returns false. A writer can therefore make its calls in a row and look at
// Ok() or the result of Close() once. A dataset destroyed without Close() is
// dropped and writes nothing.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

// Datasets made in memory instead of on disk: Close() puts each one's whole
// bytes here under the path it was created for, and nothing is written.
struct NetcdfMemory {
    std::map<std::string, std::string> files;
};

// The external types of the classic formats.
enum class NetcdfType { Byte, Char, Short, Int, Float, Double };

// The variable id of the file's global attributes.
constexpr int kNetcdfGlobal = -1;
class NetcdfDirectValues;
struct NetcdfVariableShape;

// The length of the unlimited (record) dimension.
constexpr std::size_t kNetcdfUnlimited = 0;

// netCDF-C keeps process-wide state (its table of open files) and takes no
// lock of its own: every call into it from this program is made under this
// lock, and other code in the same process that calls netCDF-C (the Python
// module's readers) must take it too.
std::recursive_mutex& NetcdfCallLock();

class NetcdfFile {
public:
    NetcdfFile();
    ~NetcdfFile();
    NetcdfFile(NetcdfFile&& other) noexcept;
    NetcdfFile& operator=(NetcdfFile&& other) noexcept;
    NetcdfFile(const NetcdfFile&) = delete;
    NetcdfFile& operator=(const NetcdfFile&) = delete;

    // Starts a dataset in the 64-bit offset format, in define mode, under
    // TemporaryPath(path); Close() gives it the name `path` (replacing a file
    // of that name). With `prefill` the values are prefilled with the types'
    // fill values at EndDefine, so every byte is defined; a writer that puts
    // every value itself turns it off and spares the file a second write.
    // With `memory` the dataset is made in memory and Close() hands its bytes
    // to `memory` (the same bytes the file would hold).
    bool Create(const std::string& path, bool prefill = true, NetcdfMemory* memory = nullptr);

    // Where a dataset for `path` is written until it is whole.
    static std::string TemporaryPath(const std::string& path);

    // Define mode. Each returns the new id, or -1 after an error.
    int DefineDim(const char* name, std::size_t length);
    int DefineVar(const char* name, NetcdfType type, std::initializer_list<int> dims);
    int DefineVar(const char* name, NetcdfType type, std::span<const int> dims);

    // Attributes of variable `var` (kNetcdfGlobal for the file's own). A
    // numeric attribute's type is that of its values.
    bool PutAttText(int var, const char* name, std::string_view text);
    bool PutAttBytes(int var, const char* name, std::span<const int8_t> values);
    bool PutAttShorts(int var, const char* name, std::span<const int16_t> values);
    bool PutAttInts(int var, const char* name, std::span<const int32_t> values);
    bool PutAttFloats(int var, const char* name, std::span<const float> values);
    bool PutAttDoubles(int var, const char* name, std::span<const double> values);
    bool PutAttBytes(int var, const char* name, std::initializer_list<int8_t> values);
    bool PutAttShorts(int var, const char* name, std::initializer_list<int16_t> values);
    bool PutAttInts(int var, const char* name, std::initializer_list<int32_t> values);
    bool PutAttFloats(int var, const char* name, std::initializer_list<float> values);
    bool PutAttDoubles(int var, const char* name, std::initializer_list<double> values);

    // Leaves define mode: the header is written and the values prefilled.
    bool EndDefine();

    // Values of a one-dimensional variable from index `first` on (a record
    // variable grows to hold them), or the one value of a scalar (first 0).
    // The values' type must be the variable's. Attributes can still be put
    // after EndDefine when they grow no larger than they were defined.
    bool PutBytes(int var, std::size_t first, std::span<const int8_t> values);
    bool PutShorts(int var, std::size_t first, std::span<const int16_t> values);
    bool PutInts(int var, std::size_t first, std::span<const int32_t> values);
    bool PutFloats(int var, std::size_t first, std::span<const float> values);
    bool PutDoubles(int var, std::size_t first, std::span<const double> values);
    // Rows of a two-dimensional variable [rows][length] from row `row` on:
    // values of its type, `length` for each row (a one-dimensional variable
    // is row 0). The grid's rows, its bins' bounds.
    bool PutFloatRows(int var, std::size_t row, std::span<const float> values);
    bool PutShortRows(int var, std::size_t row, std::span<const int16_t> values);
    bool PutDoubleRows(int var, std::size_t row, std::span<const double> values);
    // Row `row` of a two-dimensional char variable, exactly its length.
    bool PutCharRow(int var, std::size_t row, std::string_view text);
    // Row `row` of a two-dimensional char variable [rows][length]: the text,
    // then NUL bytes to the row's length. A text longer than the row fails.
    bool PutTextRow(int var, std::size_t row, std::string_view text);

    // From now on the variables whose first dimension is `dim` are written
    // straight into their places in the file, without netCDF-C, when they
    // hold enough bytes for that to matter (else, and for a dataset in
    // memory, nothing changes). Call it in data mode, when the variables
    // that lie in the same blocks of the file as those have their values, as
    // every other call gives the file back to netCDF-C. The file holds what
    // netCDF-C would have written (the padding after a variable whose values
    // end off a 4-byte boundary is zero, where netCDF-C may leave whatever its
    // buffer held).
    bool WriteDirectly(int dim);

    // Ends the dataset and gives it its name. True when every call since
    // Create succeeded and the whole file reached the disk; after a failure
    // no file is left under the name, nor under the temporary one.
    bool Close();

    bool IsOpen() const { return ncid_ >= 0 || direct_ != nullptr; }
    const std::string& Path() const { return path_; }
    bool Ok() const { return !failed_; }
    // "<file>: <what was done>: <netCDF's message>" for the first failure.
    const std::string& Error() const { return error_; }

private:
    bool Check(int status, const char* what, const char* name);
    // Records the first failure.
    void Fail(const std::string& text);
    // Whether the dataset can take a call of netCDF-C (which gets the file
    // back from the direct writes first).
    bool Usable();
    // Lets netCDF-C close the file (if it has it open) for the direct writes.
    bool ToDirect();
    // What netCDF-C tells of variable `var`; false (recorded) when it cannot.
    bool Inquire(int var, NetcdfVariableShape& shape);
    // Values of a variable the direct writes cover, from value `first` on.
    bool PutDirect(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values);
    bool PutValues(int var, NetcdfType type, std::size_t first, std::size_t count, const void* values);
    bool PutRows(int var, NetcdfType type, std::size_t row, std::size_t count, const void* values);
    bool PutAtt(int var, const char* name, NetcdfType type, std::size_t count, const void* values);
    void Abandon();

    int ncid_ = -1;
    std::unique_ptr<NetcdfDirectValues> direct_;  // set once WriteDirectly took over a dimension
    NetcdfMemory* memory_ = nullptr;
    std::string path_;
    std::string temporary_;
    std::string error_;
    std::atomic<bool> failed_{false};  // error_ is set
};
