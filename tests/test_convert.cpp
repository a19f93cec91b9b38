// The double-to-integer rule every gauge uses.
#include <cmath>
#include <limits>

#include "module/convert.h"
#include "tests/support.h"

TEST_CASE("conversion truncates toward zero inside the 32-bit range") {
    CHECK(module_to_i32(1.9) == 1);
    CHECK(module_to_i32(-1.9) == -1);
    CHECK(module_to_i32(-0.5) == 0);
    CHECK(module_to_i32(2147483647.9) == 2147483647);
    CHECK(module_to_i32(-2147483648.9) == INT32_MIN);
    CHECK(module_to_i32(65537.0) == 65537);
}

TEST_CASE("conversion of values the integer cannot hold is defined") {
    const double inf = std::numeric_limits<double>::infinity();
    CHECK(module_to_i32(std::nan("")) == 0);
    CHECK(module_to_i32(-std::nan("")) == 0);
    CHECK(module_to_i32(inf) == INT32_MAX);
    CHECK(module_to_i32(-inf) == INT32_MIN);
    CHECK(module_to_i32(1e300) == INT32_MAX);
    CHECK(module_to_i32(-1e300) == INT32_MIN);
    CHECK(module_to_i32(2147483648.0) == INT32_MAX);
}

TEST_CASE("16-bit narrowing saturates instead of wrapping") {
    CHECK(module_to_i16(1600.7) == 1600);
    CHECK(module_to_i16(-1600.7) == -1600);
    CHECK(module_to_i16(32768.0) == 32767);
    CHECK(module_to_i16(65537.0) == 32767);
    CHECK(module_to_i16(-40000.0) == -32768);
    CHECK(module_to_i16(std::nan("")) == 0);
    CHECK(module_to_i16(1e300) == 32767);
}
