#pragma once
// The program's version data, shown by {VERSION}, {REVISION}, {BLDDATE} and
// {BLDTIME} in the message texts.

inline constexpr const char* kProgramVersion = "1.0";
inline constexpr const char* kProgramRevision = "02";

// The date and time of the build: "May  7 2004" (day padded with a blank) and
// "15:32:51".
const char* BuildDate();
const char* BuildTime();
