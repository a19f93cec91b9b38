// Pictures: what is drawn where, in which colours, and how the file is
// written. Legend bitmaps are replaced by solid colours here so that a lit
// legend can be told from the window behind it.
#include "bench/tests/bench_support.h"

#include <png.h>

#include <filesystem>
#include <fstream>

#include "bench/common/render.h"
#include "host/host.h"
#include "module/tokens.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t RED = 0xE01010, GREEN = 0x10E010;

// An 8-bit BMP of one colour.
void write_solid_bmp(const std::string& path, int width, int height, uint32_t rgb) {
    const int stride = (width + 3) & ~3;
    const uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<uint8_t> out;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    out.push_back('B');
    out.push_back('M');
    u32(offset + uint32_t(stride * height));
    u32(0);
    u32(offset);
    u32(40);
    u32(uint32_t(width));
    u32(uint32_t(height));
    u16(1);
    u16(8);
    u32(0);
    u32(uint32_t(stride * height));
    u32(2835);
    u32(2835);
    u32(256);
    u32(0);
    for (int i = 0; i < 256; ++i) u32(i == 0 ? rgb : 0);
    out.resize(out.size() + size_t(stride) * size_t(height), 0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
}

// The module's bitmaps, with the annunciator's HDG legend red and its NAV legend green.
std::string marked_bitmaps() {
    const std::string folder = benchtest::out_dir + "/marked-bitmaps";
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(panelhost::folder_of(benchtest::module_path) + "/bitmaps"))
        fs::copy_file(entry.path(), folder + "/" + entry.path().filename().string(),
                      fs::copy_options::overwrite_existing);
    write_solid_bmp(folder + "/4611.bmp", 20, 8, RED);
    write_solid_bmp(folder + "/4614.bmp", 20, 8, GREEN);
    return folder;
}

std::unique_ptr<panelhost::Host> host_with(const std::string& bitmaps) {
    panelhost::HostOptions o;
    o.sound_library = benchtest::sound_path;
    o.resource_folder = bitmaps;
    return std::make_unique<panelhost::Host>(benchtest::module_path, o);
}

bench::Image read_png(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    REQUIRE(png_image_begin_read_from_file(&png, path.c_str()));
    png.format = PNG_FORMAT_RGB;
    bench::Image image(int(png.width), int(png.height), 0);
    REQUIRE(png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr));
    return image;
}

}  // namespace

TEST_CASE("a lit legend is drawn at its place, a dark one leaves the face as it is") {
    auto host = host_with(marked_bitmaps());
    panelhost::Gauge& gauge = host->place("annunciator");
    host->set_token(TOKEN_AP_HDG, 1);
    gauge.update();
    const panelhost::Bitmap& face = gauge.bitmap(4608);
    for (int scale : {1, 3}) {
        CAPTURE(scale);
        bench::Image image = bench::render_gauge(gauge, scale);
        REQUIRE(image.width == 208 * scale);
        REQUIRE(image.height == 98 * scale);
        // HDG: 20 x 8 at 29,35; NAV: 20 x 8 at 58,35.
        CHECK(image.at(29 * scale, 35 * scale) == RED);
        CHECK(image.at(49 * scale - 1, 43 * scale - 1) == RED);
        CHECK(image.at(49 * scale, 43 * scale) == face.rgb(49, 43));
        CHECK(image.at(28 * scale, 35 * scale) == face.rgb(28, 35));
        CHECK(image.at(60 * scale, 38 * scale) == face.rgb(60, 38));
        CHECK(image.at(0, 0) == face.rgb(0, 0));
    }
}

TEST_CASE("a read-out is printed in its box: the background colour around dark digits, nothing outside") {
    auto host = host_with("");
    panelhost::Gauge& gauge = host->place("altpreselector");
    host->set_token(TOKEN_BARO, 29.92);
    gauge.update();
    REQUIRE(std::string(gauge.text(8)) == "29.9");  // the altitude read-out: 46 x 15 at 74,28
    const panelhost::Bitmap& face = gauge.bitmap(5120);
    const uint32_t tan = 0xCFB466, ink = 0x080808;
    for (int scale : {1, 2, 4}) {
        CAPTURE(scale);
        bench::Image image = bench::render_gauge(gauge, scale);
        int dark = 0, darkest = 255;
        for (int y = 28 * scale; y < 43 * scale; ++y)
            for (int x = 74 * scale; x < 120 * scale; ++x) {
                uint32_t p = image.at(x, y);
                if (p != tan) ++dark;
                darkest = std::min(darkest, int(p >> 16));
            }
        CHECK(dark > 20 * scale * scale);
        CHECK(darkest == int(ink >> 16));
        // The box's corners keep the background; the face around the box is untouched.
        CHECK(image.at(74 * scale, 28 * scale) == tan);
        CHECK(image.at(120 * scale - 1, 43 * scale - 1) == tan);
        CHECK(image.at(73 * scale, 30 * scale) == face.rgb(73, 30));
        CHECK(image.at(100 * scale, 43 * scale) == face.rgb(100, 43));
    }
}

TEST_CASE("a read-out longer than its box still fits inside the box") {
    auto host = host_with("");
    panelhost::Gauge& gauge = host->place("altpreselector");
    host->set_token(TOKEN_BARO, 123456.7);  // eight characters in a box made for four
    gauge.update();
    REQUIRE(std::string(gauge.text(8)) == "123456.7");
    const bench::Image image = bench::render_gauge(gauge, 2);
    const panelhost::Bitmap& face = gauge.bitmap(5120);
    int ink_columns = 0;
    for (int x = 74 * 2; x < 120 * 2; ++x) {
        bool ink = false;
        for (int y = 28 * 2; y < 43 * 2; ++y) ink = ink || (image.at(x, y) >> 16) < 0x60;
        ink_columns += ink;
    }
    CHECK(ink_columns > 30);
    // Beside the box the face shows: the text was not spilled over it.
    for (int y = 28 * 2; y < 43 * 2; ++y) {
        CHECK(image.at(74 * 2 - 1, y) == face.rgb(73, y / 2));
        CHECK(image.at(120 * 2, y) == face.rgb(120, y / 2));
    }
}

TEST_CASE("the panel sets the gauges side by side, each whole, in the order given") {
    auto host = host_with("");
    panelhost::Gauge& a = host->place("autopilot");
    panelhost::Gauge& b = host->place("annunciator");
    a.update();
    b.update();
    bench::Image one = bench::render_gauge(a, 1), two = bench::render_gauge(b, 1);
    bench::Image panel = bench::render_panel({{"autopilot", &a}, {"annunciator", &b}}, 1);
    CHECK(panel.width == 12 + 500 + 12 + 208 + 12);
    CHECK(panel.height > 119 + 24);
    for (int y = 0; y < 119; y += 7)
        for (int x = 0; x < 500; x += 11) REQUIRE(panel.at(12 + x, 12 + y) == one.at(x, y));
    for (int y = 0; y < 98; y += 5)
        for (int x = 0; x < 208; x += 3) REQUIRE(panel.at(12 + 500 + 12 + x, 12 + y) == two.at(x, y));
}

TEST_CASE("a PNG is written whole under its name, or not at all") {
    const std::string folder = benchtest::out_dir + "/png";
    fs::remove_all(folder);
    bench::Image image(3, 2, 0x102030);
    image.fill(1, 1, 1, 1, 0xFFEEDD);
    bench::write_png(image, folder + "/deep/a.png");
    bench::Image back = read_png(folder + "/deep/a.png");
    CHECK(back.width == 3);
    CHECK(back.height == 2);
    CHECK(back.rgb == image.rgb);
    // Nothing but the picture is left in the folder.
    CHECK(std::distance(fs::directory_iterator(folder + "/deep"), fs::directory_iterator()) == 1);

    // A folder that cannot be made: a file stands where it should be.
    std::ofstream(folder + "/blocker") << "x";
    CHECK_THROWS_AS(bench::write_png(image, folder + "/blocker/b.png"), bench::BenchError);
    CHECK(std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 2);  // deep and blocker
}
