#include "module/text.h"

#include <cstring>

namespace {

// The most characters a text may have: the buffer less its terminating NUL.
constexpr uint32_t MODULE_TEXT_LIMIT = MODULE_TEXT_BUFFER_SIZE - 1;
static_assert(MODULE_TEXT_LIMIT >= 11, "the longest signed 32-bit text is written whole");

// Nine decimal digits: the base in which a long whole part is written out.
constexpr uint32_t MODULE_NINE_DIGITS = 1000000000u;
// The whole part of a finite double is below 2^1024: 32 words of 32 bits,
// and one more where the mantissa is shifted into place; 309 decimal digits
// at most, in 35 groups of nine.
constexpr uint32_t MODULE_WHOLE_WORDS = 33;
constexpr uint32_t MODULE_WHOLE_GROUPS = 35;

// Writes the decimal digits of value ending just before end; returns where
// they begin.
char* module_digits_before(char* end, uint32_t value) {
    do {
        *--end = char('0' + value % 10u);
        value /= 10u;
    } while (value != 0);
    return end;
}

// Appends one character to the text, keeping only what the buffer holds;
// length counts every character of the full text.
inline void module_put(char* buffer, uint32_t& length, char c) {
    if (length < MODULE_TEXT_LIMIT) buffer[length] = c;
    ++length;
}

inline void module_put_all(char* buffer, uint32_t& length, const char* from, const char* to) {
    while (from != to) module_put(buffer, length, *from++);
}

inline void module_end_text(char* buffer, uint32_t length) {
    buffer[length < MODULE_TEXT_LIMIT ? length : MODULE_TEXT_LIMIT] = '\0';
}

// Splits the number in words[0, count) (least significant word first, count
// at least 1) into groups of nine decimal digits, least significant group
// first; returns the number of groups. The words are used up.
uint32_t module_nine_digit_groups(uint32_t* words, uint32_t count, uint32_t* groups) {
    uint32_t made = 0;
    do {
        uint64_t rest = 0;
        for (uint32_t i = count; i-- > 0;) {
            const uint64_t current = rest << 32 | words[i];
            words[i] = uint32_t(current / MODULE_NINE_DIGITS);
            rest = current % MODULE_NINE_DIGITS;
        }
        groups[made++] = uint32_t(rest);
        while (count > 0 && words[count - 1] == 0) --count;
    } while (count > 0);
    return made;
}

}  // namespace

void module_format_signed(char* buffer, int32_t value) {
    char digits[10];
    char* const end = digits + sizeof digits;
    const uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
    const char* first = module_digits_before(end, magnitude);
    buffer[0] = value < 0 ? '-' : '+';
    std::memcpy(buffer + 1, first, size_t(end - first));
    buffer[1 + (end - first)] = '\0';
}

void module_format_tenths(char* buffer, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const uint32_t biased = uint32_t(bits >> 52) & 0x7FFu;
    uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
    uint32_t length = 0;

    if (biased == 0x7FF) {
        const char* name = mantissa != 0 ? "nan" : "inf";
        module_put(buffer, length, negative ? '-' : ' ');
        module_put_all(buffer, length, name, name + 3);
        module_end_text(buffer, length);
        return;
    }

    // |value| = mantissa * 2^exponent exactly.
    int32_t exponent = -1074;
    if (biased != 0) {
        mantissa |= uint64_t(1) << 52;
        exponent = int32_t(biased) - 1075;
    }

    uint32_t words[MODULE_WHOLE_WORDS];  // the whole part, least significant word first
    uint32_t count;
    uint32_t tenth;
    if (exponent >= 0) {
        // An integer, at least 2^52: the mantissa shifted into place, no tenths.
        const uint32_t low = uint32_t(exponent) / 32, offset = uint32_t(exponent) % 32;
        const uint64_t shifted = mantissa << offset;
        for (uint32_t i = 0; i < low; ++i) words[i] = 0;
        words[low] = uint32_t(shifted);
        words[low + 1] = uint32_t(shifted >> 32);
        words[low + 2] = offset != 0 ? uint32_t(mantissa >> (64 - offset)) : 0;
        count = low + 3;
        while (count > 1 && words[count - 1] == 0) --count;
        tenth = 0;
    } else {
        // Tenths: mantissa * 10 / 2^shift (below 2^57), rounded to nearest on
        // the exact remainder, halves to even. From a shift of 64 on, the
        // quotient is below 2^-7 and rounds to 0.
        const uint32_t shift = uint32_t(-exponent);
        uint64_t tenths = 0;
        if (shift < 64) {
            const uint64_t scaled = mantissa * 10u;
            const uint64_t half = uint64_t(1) << (shift - 1);
            const uint64_t rest = scaled & ((half << 1) - 1);
            tenths = scaled >> shift;
            if (rest > half || (rest == half && (tenths & 1u) != 0)) ++tenths;
        }
        // 32-bit division where it suffices: the 32-bit target has no 64-bit
        // divide instruction.
        if ((tenths >> 32) == 0) {
            const uint32_t small = uint32_t(tenths);
            words[0] = small / 10u;
            tenth = small % 10u;
            count = 1;
        } else {
            const uint64_t whole = tenths / 10u;
            tenth = uint32_t(tenths - whole * 10u);
            words[0] = uint32_t(whole);
            words[1] = uint32_t(whole >> 32);
            count = words[1] != 0 ? 2 : 1;
        }
    }

    // The whole part's digits, in groups of nine below the leading group.
    uint32_t groups[MODULE_WHOLE_GROUPS];
    uint32_t group_count = 1;
    if (count == 1)
        groups[0] = words[0];
    else
        group_count = module_nine_digit_groups(words, count, groups);
    char digits[10];
    char* const end = digits + sizeof digits;
    const char* first = module_digits_before(end, groups[group_count - 1]);
    const uint32_t digit_count = uint32_t(end - first) + 9 * (group_count - 1);

    // Right-aligned in four characters: sign, whole part, point and tenth.
    for (uint32_t width = (negative ? 1 : 0) + digit_count + 2; width < 4; ++width) module_put(buffer, length, ' ');
    if (negative) module_put(buffer, length, '-');
    module_put_all(buffer, length, first, end);
    for (uint32_t g = group_count - 1; g-- > 0 && length < MODULE_TEXT_LIMIT;) {
        uint32_t group = groups[g];
        char nine[9];
        for (int i = 8; i >= 0; --i) {
            nine[i] = char('0' + group % 10u);
            group /= 10u;
        }
        module_put_all(buffer, length, nine, nine + 9);
    }
    module_put(buffer, length, '.');
    module_put(buffer, length, char('0' + tenth));
    module_end_text(buffer, length);
}
