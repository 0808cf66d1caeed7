#include "tests/posix/run_unpack.h"

#include "tests/fixture/fixture.h"

#include <cstdlib>
#include <sys/wait.h>

std::string ShellQuote(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

UnpackRun RunUnpack(const std::filesystem::path& dir, const std::vector<std::string>& args,
                    const std::filesystem::path& scratch)
{
    std::string command = "cd " + ShellQuote(dir.string()) + " && " + ShellQuote(DAVROLIN_UNPACK);
    for (const auto& a : args)
        command += " " + ShellQuote(a);
    command += " >" + ShellQuote((scratch / "stdout").string()) + " 2>" + ShellQuote((scratch / "stderr").string()) +
               " </dev/null";
    const int status = std::system(command.c_str());
    return UnpackRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(scratch / "stdout"),
                     ReadFileText(scratch / "stderr")};
}
