#pragma once
// The fields of the scan rows, written straight into the row being built:
// each writer gives exactly the bytes the formatter (formats/text_format.h)
// gives for its conversion, and hands the values outside its fast path (NaN,
// infinities, values under about 2^-40 or over 2^52, precisions over 9,
// widths over 40) to the formatter itself.
//
// Each writer writes at `p` and returns the end of what it wrote, at most
// kMaxFieldLength bytes.

#include <cstddef>
#include <cstdint>

// The longest field: a %f of the largest double has 309 integer digits.
constexpr std::size_t kMaxFieldLength = 360;

// "%W.Pf": blank-padded, a minus sign on negative values (also -0.0).
char* PutFixed(char* p, double value, int width, int precision);
// "%+0W.Pf": always a sign, zero-padded after it.
char* PutSignedFixed(char* p, double value, int width, int precision);
// "%Wd".
char* PutInt(char* p, int value, int width);
// Two and four digits of a value 0..99 or 0..9999 ("%02d", "%04d").
char* PutTwoDigits(char* p, int value);
char* PutFourDigits(char* p, int value);
