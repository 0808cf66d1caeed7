// A full disk under a netCDF file: the file stands for /dev/full, so every
// byte written to it is refused. Close() fails, names the file and the cause,
// and leaves nothing under the name; nothing of the dataset leaks (the
// sanitized build checks that).
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
    fs::create_symlink("/dev/full", path);

    NetcdfFile f;
    ASSERT_TRUE(f.Create(path.string()));
    const int obs = f.DefineDim("obs", 100000);
    const int x = f.DefineVar("pressure", NetcdfType::Float, {obs});
    ASSERT_TRUE(f.EndDefine());
    ASSERT_TRUE(f.PutFloats(x, 0, std::vector<float>(100000, 1.5f)));
    EXPECT_FALSE(f.Close());
    EXPECT_EQ(f.Error(), path.string() + ": cannot write the file: No space left on device");
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_FALSE(f.IsOpen());
}

}  // namespace
