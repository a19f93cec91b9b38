// The artwork's raster as the host reads it back: BMP rows, padding and
// palette survive the trip, letters' solid pixels are exactly their colour,
// and a drawing with too many colours is refused rather than mangled.
#include <stdexcept>

#include "host/bitmap.h"
#include "resources/canvas.h"
#include "tests/support.h"

namespace {
panelhost::Bitmap read_back(const art::Canvas& c) {
    std::vector<uint8_t> file = c.bmp();
    REQUIRE(file.size() > 14);
    CHECK(file[0] == 'B');
    CHECK(file[1] == 'M');
    return panelhost::parse_dib(file.data() + 14, file.size() - 14, 1, "canvas");
}

uint32_t rgb(art::Rgb c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }
}  // namespace

TEST_CASE("a canvas reads back pixel for pixel, top row first, at any width") {
    for (int width : {1, 2, 3, 4, 5, 21, 38}) {
        CAPTURE(width);
        art::Canvas c(width, 3, art::GLASS);
        c.set(0, 0, art::INK);                       // top left
        c.set(width - 1, 2, art::Rgb{200, 10, 30});  // bottom right
        panelhost::Bitmap b = read_back(c);
        CHECK(b.width == width);
        CHECK(b.height == 3);
        CHECK(b.bit_count == 8);
        CHECK(b.compression == 0);
        CHECK(b.bottom_up);
        CHECK(b.rgb(0, 0) == rgb(art::INK));
        CHECK(b.rgb(width - 1, 2) == 0xC80A1E);
        if (width > 1) CHECK(b.rgb(1, 0) == rgb(art::GLASS));
        CHECK(b.rgb(0, 1) == rgb(art::GLASS));
    }
}

TEST_CASE("blending: no coverage keeps the pixel, full coverage lays the exact colour") {
    art::Canvas c(3, 1, art::GLASS);
    c.blend(0, 0, art::INK, 0);
    c.blend(1, 0, art::INK, 255);
    c.blend(2, 0, art::INK, 128);
    CHECK(c.at(0, 0) == art::GLASS);
    CHECK(c.at(1, 0) == art::INK);
    art::Rgb half = c.at(2, 0);
    CHECK(half.r < art::GLASS.r);
    CHECK(half.r > art::INK.r);
    // Points off the canvas are ignored.
    c.blend(-1, 0, art::INK, 255);
    c.set(3, 0, art::INK);
    c.fill({-5, -5, 4, 4}, art::INK);
    CHECK(c.at(0, 0) == art::GLASS);
}

TEST_CASE("antialiased edges use only a few shades") {
    art::Canvas disc(40, 40, art::GLASS);
    disc.disc(20, 20, 15.3, art::INK);
    CHECK(disc.colours().size() <= size_t(art::COVERAGE_STEPS + 1));
    art::Canvas line(40, 40, art::GLASS);
    line.line(0, 0, 39, 17, 1.3, art::INK);
    CHECK(line.colours().size() <= size_t(art::COVERAGE_STEPS + 1));
}

TEST_CASE("a drawing with more than 256 colours is refused") {
    art::Canvas c(257, 1, art::GLASS);
    for (int i = 0; i < 257; ++i) c.set(i, 0, art::Rgb{uint8_t(i), uint8_t(i >> 8), 1});
    CHECK_THROWS_AS(c.bmp(), std::runtime_error);
    c.set(0, 0, art::Rgb{1, 0, 1});  // now 256 colours
    CHECK(read_back(c).palette.size() == 256);
}
