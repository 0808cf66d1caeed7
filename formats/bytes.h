#pragma once
// Big-endian field decoding. Every multi-byte field the vehicle writes is
// big-endian and records are packed, so fields are read from byte arrays at any
// offset. Bytes are widened to unsigned before shifting: an int shift of a byte
// of 0x80 or more is a classic bug.

#include <cstdint>
#include <cstring>

inline uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>((static_cast<uint32_t>(p[0]) << 8) | p[1]);
}

inline int16_t GetI16(const uint8_t* p)
{
    return static_cast<int16_t>(GetU16(p));
}

inline uint32_t GetU24(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

inline uint32_t GetU32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

inline int32_t GetI32(const uint8_t* p)
{
    return static_cast<int32_t>(GetU32(p));
}

inline float GetF32(const uint8_t* p)
{
    uint32_t bits = GetU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// A time field: signed seconds since 1970-01-01 00:00:00 UTC.
inline int32_t GetTime(const uint8_t* p)
{
    return GetI32(p);
}
