// The host's reading of a bitmap resource: the image the module ships, the
// row orders a DIB may use, and the headers it must refuse rather than read.
#include <cstring>
#include <vector>

#include "host/bitmap.h"
#include "tests/support.h"

using panelhost::Bitmap;
using panelhost::HostError;
using panelhost::parse_dib;

namespace {

// An 8-bit DIB with a two-colour palette; rows given top row first, stored
// in the order the sign of `height` says.
std::vector<uint8_t> dib(int32_t width, int32_t height, const std::vector<std::vector<uint8_t>>& rows = {}) {
    std::vector<uint8_t> d(40 + 2 * 4, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); };
    put32(0, 40);
    put32(4, uint32_t(width));
    put32(8, uint32_t(height));
    d[12] = 1;   // planes
    d[14] = 8;   // bits per pixel
    put32(32, 2);  // colours used
    d[40 + 4 + 0] = 0xFF;  // colour 1: blue
    size_t stride = (size_t(width > 0 ? width : 0) + 3) & ~size_t(3);
    bool bottom_up = height > 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto& row = bottom_up ? rows[rows.size() - 1 - r] : rows[r];
        std::vector<uint8_t> stored(stride, 0);
        std::memcpy(stored.data(), row.data(), row.size());
        d.insert(d.end(), stored.begin(), stored.end());
    }
    return d;
}

Bitmap read(const std::vector<uint8_t>& d) {
    return parse_dib(d.data(), d.size(), 4096, "test");
}

}  // namespace

TEST_CASE("a DIB is read top row first whichever row order it is stored in") {
    const std::vector<std::vector<uint8_t>> rows = {{1, 0, 0}, {0, 0, 1}};
    for (int32_t sign : {1, -1}) {
        CAPTURE(sign);
        Bitmap b = read(dib(3, 2 * sign, rows));
        CHECK(b.width == 3);
        CHECK(b.height == 2);
        CHECK(b.bottom_up == (sign > 0));
        CHECK(b.rgb(0, 0) == 0x0000FF);
        CHECK(b.rgb(2, 0) == 0);
        CHECK(b.rgb(2, 1) == 0x0000FF);
    }
}

TEST_CASE("a DIB whose size is out of range is refused, the most negative height too") {
    // A height of -2^31 has no 32-bit magnitude: it must be refused as a bad
    // size, not negated (under the undefined-behaviour sanitizer a plain
    // negation is a fatal report).
    for (auto [width, height] : {std::pair{3, INT32_MIN}, {3, 0}, {0, 2}, {INT32_MIN, 2}, {3, 4097}, {4097, 2},
                                 {3, -4097}}) {
        CAPTURE(width);
        CAPTURE(height);
        CHECK_THROWS_AS(read(dib(width, height)), HostError);
    }
}
