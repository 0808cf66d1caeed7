#pragma once
// The names of every input and output file of a run, from the file kind, a
// profile number and the output prefix. Numbers are decimal, zero-padded to 7
// digits and written in full when longer; all letters are upper case.

#include <cstdint>
#include <string>

// The input file (no folder) that holds `profile`: for the three profile kinds
// the number is first rounded down to its file base (a multiple of
// `profilesPerFile`, unless that is 0). "DEPLOY.DAT" and "IRQ_XCPT.LOG"
// whatever the number; empty text for any other kind.
std::string DataFileName(int kind, uint32_t profile, uint32_t profilesPerFile);

// The output file of `profile` without prefix ("E%07d.TXT" with the profile
// number itself, "DEPLOY.TXT", "IRQ_XCPT.TXT"); empty text for any other kind.
std::string TextFileName(int kind, uint32_t profile);

// TextFileName with `prefix` in front of it, unchanged.
std::string PrefixedTextFileName(const std::string& prefix, int kind, uint32_t profile);

// The letter of a profile kind's files ('E', 'C', 'A'); 0 for any other kind.
char KindLetter(int kind);

// The file base of `profile`: ProfilesPerFile x floor(profile / ProfilesPerFile),
// or the number itself when `profilesPerFile` is 0.
uint32_t FileBase(uint32_t profile, uint32_t profilesPerFile);
