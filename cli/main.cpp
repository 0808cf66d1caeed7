// davrolin-unpack: the headless converter. Runs the same unpack job as the
// wizard, on the request made from the same settings record, with the same
// activity log, and saves that log beside the output; with --export the
// request asks for the export and the deployment export (export/) is handed
// to the job. Exit codes: 0 the run had no errors, 1 it had
// errors, 2 bad usage, a DEPLOY.DAT from which --firmware auto cannot tell
// the firmware, or a source, profile or destination that the wizard would not
// have accepted either. The run itself is cli/unpack_run.h, which the Python
// module shares.

#include "cli/command_line.h"
#include "cli/unpack_run.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int main(int argc, char** argv)
{
    UnpackCall call;
    call.args.assign(argv + 1, argv + argc);
    call.drawBar = isatty(fileno(stderr)) != 0;
    call.echoErrors = true;
    call.catchInterrupt = true;
    const UnpackOutcome outcome = RunUnpack(call);
    if (!outcome.standardOutput.empty())
        std::fputs(outcome.standardOutput.c_str(), stdout);
    if (!outcome.message.empty()) {
        std::fputs(outcome.message.c_str(), stderr);
        if (outcome.message.back() != '\n')
            std::fputs("\n", stderr);
        if (outcome.showUsage)
            std::fputs(UsageText(), stderr);
    }
    return outcome.exitCode;
}
