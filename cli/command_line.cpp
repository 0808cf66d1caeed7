#include "cli/command_line.h"

#include "engine/version.h"
#include "export/export_metadata.h"
#include "export/pressure_grid.h"
#include "formats/deployment.h"
#include "formats/firmware_detection.h"
#include "formats/text_format.h"
#include "platform/platform.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <thread>

namespace {

constexpr const char* kUsage =
    "usage: davrolin-unpack [--firmware 3.01|3.04|auto] [--human] [--prefix TEXT]\n"
    "                       [--kinds LIST] [--profile N | --profiles FIRST-LAST]\n"
    "                       [--settings FILE] [--jobs N] [--quiet]\n"
    "                       [--export netcdf,csv] [--no-text] [--metadata FILE]\n"
    "                       [--latitude DEG --longitude DEG] [--no-qc] [--grid-step DBAR]\n"
    "                       SOURCE DEST\n"
    "       davrolin-unpack --help | --version\n"
    "  LIST: comma-separated subset of engineering,ctd,acm,deployment,exceptions\n";

struct KindName {
    const char* name;
    int kind;
};
constexpr KindName kKindNames[] = {
    {"engineering", KindEngineering}, {"ctd", KindCtd},        {"acm", KindAcm},
    {"deployment", KindDeployment},   {"exceptions", KindException},
};

// A number (a profile, a count of threads): decimal digits only, within unsigned 32 bits.
bool ParseNumber(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParseKinds(const std::string& text, int& kinds, std::string& error)
{
    kinds = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int kind = 0;
        for (const KindName& k : kKindNames)
            if (name == k.name)
                kind = k.kind;
        if (kind == 0) {
            error = "--kinds: unknown kind \"" + name + "\"";
            return false;
        }
        kinds |= kind;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

bool ParseExports(const std::string& text, CommandLine& cl, std::string& error)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name == "netcdf") {
            cl.exportNetcdf = true;
        } else if (name == "csv") {
            cl.exportCsv = true;
        } else {
            error = "--export: unknown export \"" + name + "\" (netcdf, csv)";
            return false;
        }
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool CopyField(char (&field)[kTextFieldSize], const std::string& value, const char* what, std::string& error)
{
    if (value.size() >= kTextFieldSize) {
        error = std::string(what) + " is longer than 255 characters";
        return false;
    }
    std::memcpy(field, value.c_str(), value.size() + 1);
    return true;
}

bool IsAbsolute(const std::string& path)
{
#if defined(_WIN32)
    if (path.size() >= 2 && path[1] == ':')
        return true;  // a drive letter
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
#else
    return !path.empty() && path[0] == '/';
#endif
}

// The DEPLOY.DAT of a source folder, which may end in a separator.
std::string DeployFilePath(const std::string& folder)
{
    std::string path = folder;
    if (!path.empty() && path.back() != kPathSeparator && path.back() != '/')
        path += kPathSeparator;
    return path + "DEPLOY.DAT";
}

const char* FirmwareName(int firmware)
{
    return firmware == Firmware301 ? "3.01" : "3.04";
}

}  // namespace

int JobCount(const CommandLine& cl)
{
    if (cl.jobs > 0)
        return cl.jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > kMaxJobs ? kMaxJobs : static_cast<int>(cores);
}

const char* UsageText()
{
    return kUsage;
}

std::string VersionText()
{
    return FormatString("davrolin-unpack (Davrolin) version %s Revision %s [Build %s %s]\n"
                        "Converts VXP deployments of firmware 3.01 and 3.04.\n",
                        kProgramVersion, kProgramRevision, BuildDate(), BuildTime());
}

ParseResult ParseCommandLine(int argc, const char* const* argv, CommandLine& cl, std::string& error)
{
    cl = CommandLine{};
    CLI::App app{"Converts the raw files of a VXP deployment in SOURCE into text files in DEST.",
                 "davrolin-unpack"};
    // Every option starts with "-"; on Windows too a word starting with "/" is
    // a folder ("/data/out" on the current drive), never an option.
    app.allow_windows_style_options(false);
    app.set_help_flag("-h,--help", "Show this help and exit");
    app.set_version_flag("--version", VersionText(), "Show the version and build stamp and exit");
    app.add_option("--firmware", cl.firmware,
                   "Firmware version of the deployment (default 3.04); auto: the one its DEPLOY.DAT names")
        ->check(CLI::IsMember({"3.01", "3.04", "auto"}));
    app.add_flag("--human", cl.human, "Human-readable output files (default: machine form)");
    auto* prefix = app.add_option("--prefix", cl.prefix, "Text put in front of every output file name")
                       ->type_name("TEXT");
    std::string kinds, profile, profiles;
    auto* kindsOption = app.add_option("--kinds", kinds, "Kinds to unpack (default: all five)")->type_name("LIST");
    auto* profileOption = app.add_option("--profile", profile, "Unpack the single profile N")->type_name("N");
    auto* profilesOption =
        app.add_option("--profiles", profiles, "Unpack the profiles FIRST to LAST")->type_name("FIRST-LAST");
    profileOption->excludes(profilesOption);
    app.add_option("--settings", cl.settingsFile, "Settings file in the wizard's format")->type_name("FILE");
    std::string jobs;
    auto* jobsOption =
        app.add_option("--jobs", jobs, "Threads that decode and write the export (default: one per core)")->type_name("N");
    app.add_flag("--quiet", cl.quiet, "No progress bar");
    std::string exports;
    auto* exportOption =
        app.add_option("--export", exports, "Also write the export: netcdf, csv or both (netcdf,csv)")
            ->type_name("LIST");
    app.add_flag("--no-text", cl.noText, "With --export: no text files (the activity log is still saved)");
    app.add_option("--metadata", cl.metadataFile, "With --export: the [METADATA] of the export's files (INI)")
        ->type_name("FILE");
    app.add_option("--latitude", cl.latitude, "With --export: the station's latitude, degrees north")
        ->type_name("DEG");
    app.add_option("--longitude", cl.longitude, "With --export: the station's longitude, degrees east")
        ->type_name("DEG");
    app.add_flag("--no-qc", cl.noQc, "With --export: no quality flags, grades or flag-based grid selection");
    std::string gridStep;
    auto* gridStepOption =
        app.add_option("--grid-step", gridStep, "With --export: the pressure step of ctd_grid.nc (default 1)")
            ->type_name("DBAR");
    app.add_option("SOURCE", cl.source, "Folder holding the deployment's files")->required()->type_name("");
    app.add_option("DEST", cl.dest, "Folder receiving the text files (created when missing)")
        ->required()
        ->type_name("");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        error = app.help() + "\n  LIST: comma-separated subset of engineering,ctd,acm,deployment,exceptions\n";
        return ParseResult::Help;
    } catch (const CLI::CallForVersion& e) {
        error = e.what();
        return ParseResult::Version;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return ParseResult::BadUsage;
    }

    if (exportOption->count() > 0 && !ParseExports(exports, cl, error))
        return ParseResult::BadUsage;
    if (exportOption->count() == 0 &&
        (cl.noText || !cl.metadataFile.empty() || !cl.latitude.empty() || !cl.longitude.empty())) {
        error = "--no-text, --metadata, --latitude and --longitude go with --export";
        return ParseResult::BadUsage;
    }
    if (exportOption->count() == 0 && (cl.noQc || gridStepOption->count() > 0)) {
        error = "--no-qc and --grid-step go with --export";
        return ParseResult::BadUsage;
    }
    if (gridStepOption->count() > 0 &&
        !(ParseNumber(std::string_view(gridStep), cl.gridStep) && cl.gridStep >= kMinGridStep &&
          cl.gridStep <= kMaxGridStep)) {
        error = "--grid-step: \"" + gridStep + "\" is not a number of dbar from 0.01 to 1000";
        return ParseResult::BadUsage;
    }
    double degrees = 0.0;
    if (!cl.latitude.empty() && !ParseLatitude(cl.latitude, "--latitude", degrees, error))
        return ParseResult::BadUsage;
    if (!cl.longitude.empty() && !ParseLongitude(cl.longitude, "--longitude", degrees, error))
        return ParseResult::BadUsage;
    cl.hasPrefix = prefix->count() > 0;
    cl.hasKinds = kindsOption->count() > 0;
    if (cl.hasKinds && !ParseKinds(kinds, cl.kinds, error))
        return ParseResult::BadUsage;
    if (profileOption->count() > 0) {
        cl.range = RangeSingleProfile;
        if (!ParseNumber(profile, cl.first)) {
            error = "--profile: \"" + profile + "\" is not a profile number";
            return ParseResult::BadUsage;
        }
        cl.last = cl.first;
    }
    if (jobsOption->count() > 0) {
        uint32_t n = 0;
        if (!ParseNumber(jobs, n) || n < 1 || n > kMaxJobs) {
            error = "--jobs: \"" + jobs + "\" is not a number from 1 to " + std::to_string(kMaxJobs);
            return ParseResult::BadUsage;
        }
        cl.jobs = static_cast<int>(n);
    }
    if (profilesOption->count() > 0) {
        cl.range = RangeProfiles;
        const auto dash = profiles.find('-');
        if (dash == std::string::npos || !ParseNumber(profiles.substr(0, dash), cl.first) ||
            !ParseNumber(profiles.substr(dash + 1), cl.last)) {
            error = "--profiles: \"" + profiles + "\" is not FIRST-LAST";
            return ParseResult::BadUsage;
        }
    }
    return ParseResult::Run;
}

std::string AbsoluteFolder(const std::string& folder, const std::string& currentDir)
{
    if (IsAbsolute(folder))
        return folder;
    return WithSeparator(currentDir) + folder;
}

bool ApplyCommandLine(const CommandLine& cl, const std::string& currentDir, SettingsRecord& s, std::string& error)
{
    if (cl.firmware == "3.01")
        s.FirmwareVers = Firmware301;
    else if (cl.firmware == "3.04")
        s.FirmwareVers = Firmware304;  // "auto" is settled by ApplyAutoFirmware
    if (cl.human)
        s.HumanReadible = 1;
    if (cl.hasPrefix && !CopyField(s.Prefix, cl.prefix, "--prefix", error))
        return false;
    // The export is the command line's alone (the summary in the log lists its files).
    s.ExportNetcdf = cl.exportNetcdf ? 1 : 0;
    s.ExportCsv = cl.exportCsv ? 1 : 0;

    // Neither --kinds nor a range: the choices stay (every kind of the entire
    // deployment unless a settings file says otherwise). Either one: a chosen
    // subset, where what is not given comes from the settings file when that
    // file chose a subset itself, else all five kinds of the entire deployment.
    if (cl.hasKinds || cl.range != 0) {
        const bool fileChoseSubset = s.UnpackAll == 0;
        s.UnpackAll = 0;
        if (cl.hasKinds)
            s.Options = cl.kinds;
        else if (!fileChoseSubset)
            s.Options = KindAll;
        if (cl.range != 0) {
            s.ProfileRange = cl.range;
            s.FirstProfile = static_cast<int32_t>(cl.first);
            s.LastProfile = static_cast<int32_t>(cl.last);
        } else if (!fileChoseSubset) {
            s.ProfileRange = RangeEntireDeployment;
        }
    }

    return CopyField(s.SrcDir, AbsoluteFolder(cl.source, currentDir), "SOURCE", error) &&
           CopyField(s.DstDir, AbsoluteFolder(cl.dest, currentDir), "DEST", error);
}

bool ApplyAutoFirmware(const CommandLine& cl, SettingsRecord& s, std::string& error)
{
    if (cl.firmware != "auto")
        return true;
    const std::string path = DeployFilePath(s.SrcDir);
    const FirmwareDetection d = DetectFirmwareOfFile(path);
    const unsigned hex = static_cast<uint16_t>(d.word);
    switch (d.verdict) {
    case FirmwareVerdict::Found:
        s.FirmwareVers = d.firmware;
        return true;
    case FirmwareVerdict::Unreadable:
        error = "--firmware auto: cannot read " + path;
        return false;
    case FirmwareVerdict::Short:
        if (d.firmware < 0)
            error = FormatString("--firmware auto: %s holds %u byte(s), too few for its version word", path.c_str(),
                                 static_cast<unsigned>(d.size));
        else
            error = FormatString("--firmware auto: %s holds %u bytes; its version word %d (0x%04X) names firmware "
                                 "%s, whose deployment record is %u bytes",
                                 path.c_str(), static_cast<unsigned>(d.size), d.word, hex, FirmwareName(d.firmware),
                                 static_cast<unsigned>(DeployRecordSize(d.firmware == Firmware301)));
        return false;
    case FirmwareVerdict::UnknownWord:
        error = FormatString("--firmware auto: the version word of %s is %d (0x%04X), neither 301 (firmware 3.01) "
                             "nor 303 or 304 (firmware 3.04)",
                             path.c_str(), d.word, hex);
        return false;
    }
    return false;
}
