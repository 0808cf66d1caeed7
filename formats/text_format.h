#pragma once
// The one formatter of the program. Every number that reaches a file, the
// activity log or a window goes through here, so output is the same bytes on
// every platform whatever its C runtime does.
//
// Two dialects:
//  - Printf: C printf for %d %i %u %x %X %o %c %s %f %F %% with the flags
//    - + blank 0 #, width, precision (also *) and the length modifiers
//    hh h l ll z j. Floating point is correctly rounded, ties to even on exact
//    binary ties (0.125 with %.2f is 0.12), and NaN/Inf are written as glibc
//    writes them.
//  - Wsprintf: the rules of the Windows wvsprintfA used for log lines: no
//    floating point and no + or blank flags; a percent sign followed by a
//    character that starts no conversion is dropped and the character kept.
//
// Like snprintf, the functions never write more than `size` bytes (the last of
// them a NUL when size > 0) and return the length the full text would have.

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#define DAVROLIN_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define DAVROLIN_PRINTF(f, a)
#endif

enum class FormatDialect { Printf, Wsprintf };

std::size_t FormatV(char* buffer, std::size_t size, FormatDialect dialect, const char* format,
                    va_list args);
std::size_t Format(char* buffer, std::size_t size, const char* format, ...) DAVROLIN_PRINTF(3, 4);
std::string FormatString(const char* format, ...) DAVROLIN_PRINTF(1, 2);
std::string FormatStringV(FormatDialect dialect, const char* format, va_list args);

// Output to a binary stream: text is written byte for byte, nothing added.
void WriteText(std::FILE* out, const char* text);
void WriteFormat(std::FILE* out, const char* format, ...) DAVROLIN_PRINTF(2, 3);
