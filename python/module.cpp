// The extension module _davrolin: davrolin-unpack's run (cli/unpack_run.h)
// called from Python, with the global interpreter lock released while the job
// runs. The package davrolin (python/davrolin/) builds the words of the
// command line from keyword arguments and turns the outcome into Python
// values and exceptions; nothing here decides what an option means.

#include "cli/unpack_run.h"
#include "export/netcdf_file.h"
#include "formats/firmware_detection.h"
#include "formats/run_choices.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace {

const char* RefusalName(UnpackRefusal refusal)
{
    switch (refusal) {
    case UnpackRefusal::None: return "";
    case UnpackRefusal::Usage: return "usage";
    case UnpackRefusal::Folder: return "folder";
    case UnpackRefusal::Start: return "start";
    }
    return "";
}

// The words of a command line after the program's name; with `netcdf_in_memory`
// the netCDF files come back as bytes (by file name) instead of being written.
py::dict Unpack(const std::vector<std::string>& args, bool netcdfInMemory)
{
    UnpackCall call;
    call.args = args;
    NetcdfMemory memory;
    if (netcdfInMemory)
        call.netcdfMemory = &memory;
    UnpackOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = RunUnpack(call);
    }
    py::dict result;
    result["exit_code"] = outcome.exitCode;
    result["refusal"] = RefusalName(outcome.refusal);
    result["message"] = outcome.message;
    result["stdout"] = outcome.standardOutput;
    result["log"] = py::bytes(outcome.log);
    result["errors"] = outcome.errors;
    py::dict counts;
    const char* names[] = {"engineering", "ctd", "acm"};
    for (int i = 0; i < 3; ++i)
        counts[names[i]] = py::make_tuple(outcome.counts[i].profiles, outcome.counts[i].incomplete);
    result["profiles"] = counts;
    py::dict netcdf;
    for (const auto& [path, bytes] : memory.files) {
        const auto cut = path.find_last_of("/\\");
        netcdf[py::str(cut == std::string::npos ? path : path.substr(cut + 1))] = py::bytes(bytes);
    }
    result["netcdf"] = netcdf;
    return result;
}

// The firmware a DEPLOY.DAT names ("3.01", "3.04"), or None.
py::object FirmwareOf(const std::string& deployFile)
{
    const FirmwareDetection d = DetectFirmwareOfFile(deployFile);
    if (d.verdict != FirmwareVerdict::Found)
        return py::none();
    return py::str(d.firmware == Firmware301 ? "3.01" : "3.04");
}

// netCDF-C is one per process: the package's readers (netCDF4) take the
// export's lock while they use it, so that they never run beside a run's
// export on another thread. Waiting for it gives up the interpreter lock.
void NetcdfLockAcquire()
{
    py::gil_scoped_release release;
    NetcdfCallLock().lock();
}

void NetcdfLockRelease()
{
    NetcdfCallLock().unlock();
}

}  // namespace

PYBIND11_MODULE(_davrolin, m)
{
    m.doc() = "The conversion engine of davrolin-unpack (use the davrolin package)";
    m.def("unpack", &Unpack, py::arg("args"), py::arg("netcdf_in_memory") = false);
    m.def("firmware_of", &FirmwareOf, py::arg("deploy_file"));
    m.def("netcdf_lock_acquire", &NetcdfLockAcquire);
    m.def("netcdf_lock_release", &NetcdfLockRelease);
}
