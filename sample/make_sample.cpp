// davrolin-make-sample: writes a synthetic deployment into a folder, the same
// bytes every time. The bundled sample runs are made with the defaults; the
// whole-run benchmark asks for a large one.
//
//   davrolin-make-sample [--firmware 3.01|3.04] [--last-profile N]
//                        [--per-file N] [--scans N] FOLDER

#include "tests/fixture/deployment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: davrolin-make-sample [--firmware 3.01|3.04] [--last-profile N] [--per-file N] "
               "[--scans N] FOLDER\n",
               stderr);
    return 2;
}

bool Number(const char* text, uint32_t& value)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 10);
    if (!*text || *end || v > 0xFFFFFFFFul)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    DeploymentShape shape;
    shape.maxProfile = 11;
    shape.profilesPerFile = 4;
    shape.scansPerProfile = 6;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--firmware" && hasValue) {
            const std::string v = argv[++i];
            if (v != "3.01" && v != "3.04")
                return Usage();
            shape.firmware = v == "3.01" ? 0 : 1;
        } else if (arg == "--last-profile" && hasValue) {
            if (!Number(argv[++i], shape.maxProfile))
                return Usage();
        } else if (arg == "--per-file" && hasValue) {
            if (!Number(argv[++i], shape.profilesPerFile) || shape.profilesPerFile == 0)
                return Usage();
        } else if (arg == "--scans" && hasValue) {
            if (!Number(argv[++i], shape.scansPerProfile))
                return Usage();
        } else if (folder.empty() && !arg.empty() && arg[0] != '-') {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty())
        return Usage();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "davrolin-make-sample: cannot create %s\n", folder.c_str());
        return 1;
    }
    WriteDeployment(folder, shape);
    return 0;
}
