// Conversions of host doubles to the integers the module sends and shows.
//
// Truncation toward zero for every value in range. Values the integer cannot
// hold are made defined: NaN gives 0, and values beyond the range saturate
// at its ends instead of being undefined or wrapping.
#pragma once

#include <cstdint>

inline int32_t module_to_i32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// The 32-bit truncation, then narrowed to a signed 16-bit integer.
inline int16_t module_to_i16(double value) {
    int32_t whole = module_to_i32(value);
    if (whole > INT16_MAX) return INT16_MAX;
    if (whole < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(whole);
}

// The low 16 bits of the 32-bit truncation: a flag word of which only the
// low half counts (the RDY legends compare it with 1).
inline uint16_t module_low16(double value) {
    return static_cast<uint16_t>(static_cast<uint32_t>(module_to_i32(value)));
}
