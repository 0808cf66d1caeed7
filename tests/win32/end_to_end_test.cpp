// The whole wizard: walked from the Welcome page to the end of a run on a
// generated deployment, it writes the same files, byte for byte, as
// davrolin-unpack given the same choices: the text files, and the export's
// netCDF and CSV files (the metadata file pins date_created).
#ifdef DAVROLIN_UNPACK

#include "resources/resource.h"
#include "tests/win32/gui_fixture.h"
#include "tests/win32/unpacking_helpers.h"
#include "wizard/stepmanager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The converter's path as Windows sees it (the build names it by its Unix path).
std::string ConverterPath()
{
    std::string path = DAVROLIN_UNPACK;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/')
                c = '\\';
    }
    return path;
}

// Runs davrolin-unpack with `args`; its exit code, or -1 when it could not run.
int RunConverter(const std::vector<std::string>& args)
{
    std::string command = "\"" + ConverterPath() + "\"";
    for (const std::string& a : args)
        command += " \"" + a + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

std::map<std::string, std::string> OutputFiles(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "DAVROLIN.LOG")
            files[entry.path().filename().string()] = ReadFileText(entry.path());
    return files;
}

struct Choice {
    const char* name;
    int firmware;
    bool everything;  // every kind of the entire deployment
    int kinds;
    uint32_t first, last;
    bool human;
    const char* prefix;
    const char* kindList;  // the same kinds for --kinds
    bool exporting = false;  // netCDF and CSV, the position in the fields, a metadata file
};

constexpr const char* kLatitude = "47.5";
constexpr const char* kLongitude = "-128.25";
constexpr const char* kMetadata = "[METADATA]\r\ntitle = Walk 1\r\nstation_name = W1\r\n"
                                  "date_created = 2024-07-02T00:00:00Z\r\n";

TEST(EndToEnd, WizardWritesWhatTheConverterWrites)
{
    const Choice choices[] = {
        {"everything, machine form", 1, true, KindAll, 0, 0, false, "", nullptr},
        {"a range in human form with a prefix, 3.01", 0, false, KindEngineering | KindCtd | KindDeployment, 2, 6,
         true, "X_", "engineering,ctd,deployment"},
        {"everything with the export", 1, true, KindAll, 0, 0, false, "", nullptr, true},
        {"a range with the export and a prefix, 3.01", 0, false, KindCtd | KindAcm, 1, 5, false, "Y_", "ctd,acm",
         true},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.name);
        DeploymentShape shape;
        shape.firmware = c.firmware;
        DeploymentFolders folders(shape);
        SettingsRecord& s = folders.settings;
        s.UnpackAll = c.everything ? 1 : 0;
        s.Options = c.kinds;
        s.ProfileRange = c.everything ? RangeEntireDeployment : RangeProfiles;
        s.FirstProfile = static_cast<int32_t>(c.first);
        s.LastProfile = static_cast<int32_t>(c.last);
        s.HumanReadible = c.human ? 1 : 0;
        std::strcpy(s.Prefix, c.prefix);
        TempDir metadataDir;
        const std::string metadata = (metadataDir / "walk.ini").string();
        WriteFileText(metadata, kMetadata);
        if (c.exporting) {
            s.ExportNetcdf = 1;
            s.ExportCsv = 1;
            std::strcpy(s.MetadataFile, metadata.c_str());
            std::strcpy(s.Latitude, kLatitude);
            std::strcpy(s.Longitude, kLongitude);
        }

        {
            BoxAnswers boxes(IDNO);
            Wizard wizard(s);
            const int walk[][2] = {
                {IDD_WELCOME, IDD_SOURCE},    {IDD_SOURCE, IDD_DESTINATION}, {IDD_DESTINATION, IDD_FILETYPES},
                {IDD_FILETYPES, IDD_PREFIX},  {IDD_PREFIX, IDD_FORMAT},      {IDD_FORMAT, IDD_EXPORT},
                {IDD_EXPORT, IDD_VERIFY},     {IDD_VERIFY, IDD_UNPACKING},
            };
            for (const auto& [from, to] : walk) {
                ASSERT_EQ(VisibleStep(), from);
                Click(from, IDC_NEXT);
                ASSERT_EQ(VisibleStep(), to);
            }
            ASSERT_TRUE(WaitForRunEnd());
            EXPECT_EQ(ControlText(IDC_STATUS_LINE),
                      "All files have been unpacked.\nThere were no errors detected.");
            EXPECT_TRUE(boxes.boxes().empty());
        }

        TempDir cliOut;
        std::vector<std::string> args = {"--quiet", "--firmware", c.firmware ? "3.04" : "3.01"};
        if (c.human)
            args.push_back("--human");
        if (*c.prefix)
            args.insert(args.end(), {"--prefix", c.prefix});
        if (!c.everything)
            args.insert(args.end(),
                        {"--kinds", c.kindList, "--profiles", std::to_string(c.first) + "-" + std::to_string(c.last)});
        if (c.exporting)
            args.insert(args.end(), {"--export", "netcdf,csv", "--metadata", metadata, "--latitude", kLatitude,
                                     "--longitude", kLongitude});
        args.insert(args.end(), {folders.source.str(), cliOut.str()});
        ASSERT_EQ(RunConverter(args), 0);

        const auto wizardFiles = OutputFiles(folders.destination.path());
        const auto converterFiles = OutputFiles(cliOut.path());
        EXPECT_GT(wizardFiles.size(), 3u);
        EXPECT_EQ(wizardFiles.size(), converterFiles.size());
        for (const auto& [name, bytes] : converterFiles) {
            auto found = wizardFiles.find(name);
            ASSERT_NE(found, wizardFiles.end()) << name;
            EXPECT_TRUE(found->second == bytes) << name << " differs";
        }
        if (c.exporting) {
            for (const char* name : {"ctd.nc", "ctd.csv", "acm.nc", "acm.csv", "profiles.csv"})
                EXPECT_EQ(wizardFiles.count(c.prefix + std::string(name)), 1u) << name;
            EXPECT_EQ(wizardFiles.count("engineering.nc"), c.everything ? 1u : 0u);
        }
        EXPECT_NE(SavedLog(folders).find("Saving log to"), std::string::npos);
        EXPECT_TRUE(fs::exists(cliOut / "DAVROLIN.LOG"));
    }
}

}  // namespace

#endif
