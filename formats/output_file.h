#pragma once
// Closing an output text file.

#include <cstdio>

// Closes `out` and tells whether every byte written to it reached the file: a
// full disk shows only as a write error on the stream or as a failing close.
// A null stream closes nothing and counts as written.
bool CloseOutputFile(std::FILE* out);
