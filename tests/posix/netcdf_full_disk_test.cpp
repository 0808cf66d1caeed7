// A full disk under a netCDF file: its temporary name stands for /dev/full,
// so every byte written to it is refused. The write fails, names the file and
// the cause, and leaves nothing under the name nor under the temporary one;
// nothing of the dataset leaks but netCDF's descriptor (the sanitized build
// checks the memory).
#include "export/netcdf_file.h"
#include "tests/fixture/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(NetcdfFullDisk, CloseFailsAndLeavesNoFile)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    const fs::path path = dir / "ctd.nc";
    const fs::path temporary = NetcdfFile::TemporaryPath(path.string());
    fs::create_symlink("/dev/full", temporary);

    NetcdfFile f;
    f.Create(path.string());  // netCDF writes the file's start at once: the full disk can show here
    const int obs = f.DefineDim("obs", 100000);
    const int x = f.DefineVar("pressure", NetcdfType::Float, {obs});
    f.EndDefine();  // or here, with the prefill
    f.PutFloats(x, 0, std::vector<float>(100000, 1.5f));
    EXPECT_FALSE(f.Close());
    const std::string cause = ": No space left on device";
    EXPECT_EQ(f.Error().rfind(path.string() + ": ", 0), 0u) << f.Error();
    EXPECT_EQ(f.Error().substr(f.Error().size() - cause.size()), cause) << f.Error();
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));
    EXPECT_FALSE(f.IsOpen());
}

}  // namespace
