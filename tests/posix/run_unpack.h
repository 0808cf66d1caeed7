#pragma once
// davrolin-unpack run as a shell runs it, for the end-to-end tests.

#include <filesystem>
#include <string>
#include <vector>

// `arg` in single quotes, safe for /bin/sh whatever it holds.
std::string ShellQuote(const std::string& arg);

struct UnpackRun {
    int exitCode;  // -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// Runs the converter with `args` in the folder `dir`, with no input; its
// stdout and stderr go to files in `scratch` and come back in the result.
UnpackRun RunUnpack(const std::filesystem::path& dir, const std::vector<std::string>& args,
                    const std::filesystem::path& scratch);
