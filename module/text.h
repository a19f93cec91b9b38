// Writing a read-out's text into the buffer the host placed in the string
// record, with the module's own conversions instead of the C library's
// formatted output: the process's locale never changes a text (a comma
// locale does not turn 12.5 into 12,5), and since the conversion of a double
// is done in integer arithmetic on its bits, neither does the floating-point
// unit's control word (precision or rounding).
//
//   module_write_signed  the "%+02i" text of a signed 32-bit integer: its sign,
//                        always written ("+0"), then its digits.
//   module_write_tenths  the "%4.1f" text of a double: its sign when negative
//                        (also for -0.0 and for small negatives that round to
//                        zero: "-0.0"), the whole part, one decimal rounded to
//                        nearest with halves to even on the exact binary
//                        value, right-aligned in four characters (" 0.5").
//                        NaN and the infinities read " nan", "-nan", " inf",
//                        "-inf"; a NaN's sign is its sign bit.
//
// Each text is the one the C library's snprintf writes for that format in the
// "C" locale. Texts of up to 31 characters are written whole. A longer text
// (only "%4.1f" of a value whose whole part has 30 digits or more, or 29 and a
// minus sign: from 10^29 up, from -10^28 down) is cut to its first 31
// characters, as snprintf into the 32-byte buffer cuts it. The text is always
// NUL-terminated inside the buffer. A string whose text pointer is null gets
// nothing.
#pragma once

#include <cstdint>

#include "module/records.h"

// The conversions themselves, into a buffer of MODULE_TEXT_BUFFER_SIZE bytes.
void module_format_signed(char* buffer, int32_t value);
void module_format_tenths(char* buffer, double value);

inline void module_write_signed(ELEMENT_STRING* string, int32_t value) {
    if (string->text != nullptr) module_format_signed(string->text, value);
}

inline void module_write_tenths(ELEMENT_STRING* string, double value) {
    if (string->text != nullptr) module_format_tenths(string->text, value);
}
