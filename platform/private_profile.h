#pragma once
// Private-profile (INI) files: "[SECTION]" lines followed by "key=value"
// lines. Section and key names match without regard to letter case; a value is
// read without the blanks around it (and without one pair of enclosing quotes).
// Win32: the real GetPrivateProfile*A / WritePrivateProfileStringA, so a bare
// file name lands in the Windows folder. POSIX: our own reader and writer with
// the same observable behaviour; `file` is a path.

// The integer of the key's text read as an unsigned 32-bit number (decimal, or
// 0x/0o/0b prefixed, an optional sign, digits up to the first other
// character), or `defaultValue` when the key is absent or empty.
unsigned ProfileReadInt(const char* section, const char* key, int defaultValue, const char* file);

// Copies the key's value, or `defaultValue` (less its trailing blanks) when the
// key is absent, into `out` (at most size - 1 characters, NUL-terminated).
// Returns the number of characters copied.
int ProfileReadString(const char* section, const char* key, const char* defaultValue, char* out, int size,
                      const char* file);

// Sets the key: an existing key is rewritten in place, a missing key is added
// at the end of its section, a missing section at the end of the file, and a
// missing file is created. A null value removes the key, a null key the whole
// section. False when the file cannot be written.
bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file);
