// davrolin-unpack decoding on several threads writes what it writes on one:
// the same files, byte for byte, the same activity log and the same errors on
// stderr, over whole and damaged deployments; a Ctrl-C leaves what a run on
// one thread cancelled at some point would leave.
#if defined(DAVROLIN_UNPACK) && defined(DAVROLIN_SAMPLES)

#include "tests/fixture/deployment.h"
#include "tests/fixture/fixture.h"
#include "tests/posix/run_unpack.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exitCode;
    std::string err;
    std::map<std::string, std::string> files;  // DAVROLIN.LOG without its date line
};

std::map<std::string, std::string> Files(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = e.is_directory() ? "<folder>" : ReadFileText(e.path());
    return files;
}

std::string WithoutDateLine(std::string log)
{
    const auto at = log.find("Log created ");
    if (at != std::string::npos)
        log.erase(at, log.find("\r\n", at) + 2 - at);
    return log;
}

// Cuts `file` to `size` bytes, or by -size bytes when size is negative.
void Cut(const fs::path& file, long size)
{
    const auto length = static_cast<long>(fs::file_size(file));
    fs::resize_file(file, static_cast<std::uintmax_t>(size < 0 ? length + size : size));
}

class CliJobs : public ::testing::Test {
protected:
    // Runs the converter into `dest` (emptied first, then given what `prepare`
    // puts there), with stdout to nowhere and stderr kept.
    Outcome Run(const std::vector<std::string>& args, const fs::path& source,
                const std::function<void(const fs::path&)>& prepare)
    {
        const fs::path dest = work / "out";
        fs::remove_all(dest);
        fs::create_directory(dest);
        if (prepare)
            prepare(dest);
        std::vector<std::string> all = args;
        all.push_back(source.string());
        all.push_back(dest.string());
        const UnpackRun run = RunUnpack(work.path(), all, work.path());
        Outcome o{run.exitCode, run.err, Files(dest)};
        if (o.files.count("DAVROLIN.LOG"))
            o.files["DAVROLIN.LOG"] = WithoutDateLine(o.files["DAVROLIN.LOG"]);
        return o;
    }

    TempDir work;
};

TEST_F(CliJobs, FourThreadsWriteWhatOneWrites)
{
    // 30 profiles, 3 per file: ten data files of each kind, so that many run
    // ahead of a damaged one.
    DeploymentShape shape;
    shape.maxProfile = 29;
    shape.profilesPerFile = 3;
    shape.scansPerProfile = 40;
    const std::string samples = DAVROLIN_SAMPLES;
    // The export's date_created pinned, so that its files are the same bytes from run to run.
    const std::string metadata = (work / "metadata.ini").string();
    WriteFileText(metadata, "[METADATA]\r\ndate_created = 2024-07-02T00:00:00Z\r\ntitle = Jobs\r\n");
    const std::vector<std::string> exportArgs = {"--export",   "netcdf,csv", "--metadata", metadata,
                                                 "--latitude", "-33.5",      "--longitude", "151.25"};
    auto with = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> damage;  // to a copy of the deployment
        std::function<void(const fs::path&)> prepare;  // the destination before the run
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"sample 3.04", nullptr, nullptr, {}},
        {"sample 3.01", nullptr, nullptr, {"--firmware", "3.01"}},
        {"whole", nullptr, nullptr, {"--prefix", "p_"}},
        {"engineering file cut inside a profile", [](const fs::path& d) { Cut(d / "E0000009.DAT", 700); }, nullptr,
         {}},
        {"CTD file cut among the scans", [](const fs::path& d) { Cut(d / "C0000012.DAT", 300); }, nullptr, {}},
        {"CTD file cut in the sensor times", [](const fs::path& d) { Cut(d / "C0000015.DAT", -3); }, nullptr, {}},
        {"ACM file cut", [](const fs::path& d) { Cut(d / "A0000006.DAT", 500); }, nullptr, {}},
        {"data files missing",
         [](const fs::path& d) {
             fs::remove(d / "E0000012.DAT");
             fs::remove(d / "A0000003.DAT");
         },
         nullptr,
         {}},
        {"exception log cut", [](const fs::path& d) { Cut(d / "IRQ_XCPT.LOG", -3); }, nullptr, {}},
        {"empty CTD file and a range", [](const fs::path& d) { Cut(d / "C0000018.DAT", 0); }, nullptr,
         {"--profiles", "4-25"}},
        // The export hears every kind's profiles in the run's order.
        {"export", nullptr, nullptr, exportArgs},
        {"export of damaged files",
         [](const fs::path& d) {
             Cut(d / "E0000009.DAT", 700);
             Cut(d / "C0000012.DAT", 300);
             fs::remove(d / "A0000018.DAT");
         },
         nullptr, exportArgs},
        {"export without texts", [](const fs::path& d) { Cut(d / "A0000006.DAT", 500); }, nullptr,
         with(exportArgs, {"--no-text", "--profiles", "2-26"})},
        // Files an earlier run left, which a kind that stops earlier never reaches,
        // and a folder in the way of a text file.
        {"destination not empty", [](const fs::path& d) { Cut(d / "A0000006.DAT", 500); },
         [](const fs::path& out) {
             WriteFileText(out / "A0000027.TXT", "an earlier run's file");
             WriteFileText(out / "e0000021.txt", "an earlier run's file");
             fs::create_directory(out / "C0000024.TXT");
         },
         {}},
    };
    for (const Case& c : cases) {
        for (const char* form : {"--human", ""}) {
            SCOPED_TRACE(std::string(c.name) + " " + form);
            fs::path source;
            if (std::string(c.name).rfind("sample ", 0) == 0) {
                source = fs::path(samples) / (std::string(c.name).substr(7));
            } else {
                source = work / "deployment";
                fs::remove_all(source);
                fs::create_directory(source);
                WriteDeployment(source, shape);
                if (c.damage)
                    c.damage(source);
            }
            std::vector<std::string> args = c.args;
            if (*form)
                args.push_back(form);
            args.push_back("--jobs");
            args.push_back("1");
            const Outcome one = Run(args, source, c.prepare);
            args.back() = "4";
            const Outcome four = Run(args, source, c.prepare);

            EXPECT_EQ(four.exitCode, one.exitCode);
            EXPECT_EQ(four.err, one.err);
            EXPECT_EQ(four.files.size(), one.files.size());
            for (const auto& [name, text] : one.files) {
                auto found = four.files.find(name);
                if (found == four.files.end())
                    ADD_FAILURE() << name << " missing";
                else
                    EXPECT_TRUE(found->second == text) << name << " differs";
            }
            for (const auto& [name, text] : four.files)
                EXPECT_EQ(one.files.count(name), 1u) << name << " not written by one thread";
        }
    }
}

// The place of an output file in a run's order: the termination log (made as
// the engineering kind starts), the engineering files, the sensor time log,
// the CTD and ACM files, the deployment report and the exception log.
int Rank(const std::string& name, uint32_t profiles)
{
    const int n = static_cast<int>(profiles);
    const int number = name.size() == 12 ? std::atoi(name.substr(1, 7).c_str()) : 0;
    if (name == "TIMETAGS.TXT")
        return 0;
    if (name == "SNSRTIME.TXT")
        return n + 1;
    if (name == "DEPLOY.TXT")
        return 3 * n + 2;
    if (name == "IRQ_XCPT.TXT")
        return 3 * n + 3;
    switch (name[0]) {
    case 'E': return 1 + number;
    case 'C': return n + 2 + number;
    case 'A': return 2 * n + 2 + number;
    }
    return -1;
}

TEST_F(CliJobs, InterruptLeavesWhatOneThreadCancelledWouldLeave)
{
    DeploymentShape big;
    big.maxProfile = 299;
    big.profilesPerFile = 10;
    big.scansPerProfile = 1000;
    const fs::path source = work / "big";
    fs::create_directory(source);
    WriteDeployment(source, big);
    const Outcome whole = Run({"--jobs", "1"}, source, nullptr);
    ASSERT_EQ(whole.exitCode, 0);

    for (const char* wait : {"E0000001.TXT", "C0000051.TXT", "A0000201.TXT"}) {
        SCOPED_TRACE(wait);
        const fs::path out = work / "out";
        fs::remove_all(out);
        const std::string src = source.string(), dst = out.string();
        const char* argv[] = {DAVROLIN_UNPACK, "--quiet", "--jobs", "4", src.c_str(), dst.c_str(), nullptr};
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, DAVROLIN_UNPACK, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        for (int i = 0; i < 3000 && !fs::exists(out / wait); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        kill(pid, SIGINT);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);

        // The files left are the first ones of the run's order, each the whole
        // file of a full run but the last, which may end early.
        auto left = Files(out);
        left.erase("DAVROLIN.LOG");
        std::map<int, std::string> byRank;
        for (const auto& [name, text] : left)
            byRank[Rank(name, big.maxProfile + 1)] = name;
        ASSERT_FALSE(byRank.empty());
        EXPECT_EQ(byRank.begin()->first, 0);
        EXPECT_EQ(byRank.rbegin()->first, static_cast<int>(byRank.size()) - 1) << "a gap in the files left";
        int ended = 0;
        for (const auto& [rank, name] : byRank) {
            const std::string& full = whole.files.at(name);
            const std::string& text = left[name];
            if (text == full)
                continue;
            const bool log = name == "TIMETAGS.TXT" || name == "SNSRTIME.TXT";
            EXPECT_EQ(full.compare(0, text.size(), text), 0) << name << " is not the start of the full file";
            if (!log)
                ++ended;
        }
        EXPECT_LE(ended, 1) << "more than one file ended early";
    }
}

}  // namespace

#endif
