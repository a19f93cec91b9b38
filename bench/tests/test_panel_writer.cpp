// Writing a gauge into a panel configuration as designers write them: one
// line changes or one is added, in the right section, and every other byte
// (comments, spacing, CRLF, a byte-order mark, other sections, a virtual
// cockpit) comes back as it was; a file the reader refuses is refused.
#include <doctest/doctest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/bmp.h"
#include "bench/common/panel_config.h"
#include "bench/common/panel_writer.h"

using bench::GaugePlace;
using bench::PanelConfig;
using bench::parse_panel_config;
using bench::place_gauge;

namespace {

const std::string DESIGNED =
    "\xEF\xBB\xBF// Twin panel\r\n"
    "[Window Titles]\r\n"
    "Window00=Main Panel\r\n"
    "Window01=Radio Stack\r\n"
    "\r\n"
    "[Window00]\r\n"
    "file=panel_day.bmp\r\n"
    "file_1024 = panel_1024.bmp ; the larger picture\r\n"
    "size_mm=1024,768\r\n"
    "gauge00=Other_Clock!Clock,  600,20,120   // a clock of another maker\r\n"
    "\tGauge01 =\tvmq_tavok22ap ! AutoPilot ,10 , 300, 500  ; ours\r\n"
    "\r\n"
    "[Window01]\r\n"
    "size_mm=300,200\r\n"
    "gauge00=vmq_Tavok22ap!annunciator,0,0,300\r\n"
    "\r\n"
    "// the virtual cockpit\r\n"
    "[Vcockpit01]\r\n"
    "file=vc.bmp\r\n"
    "gauge00=vmq_Tavok22ap!vcaltpreselector, 0, 0, 300\r\n";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The lines of `after` that differ from `before`'s, for files of the same length.
std::vector<size_t> changed(const std::string& before, const std::string& after) {
    const std::vector<std::string> a = lines(before), b = lines(after);
    std::vector<size_t> out;
    REQUIRE(a.size() == b.size());
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) out.push_back(i + 1);
    return out;
}

}  // namespace

TEST_CASE("every window is listed with its title, and the chosen one is laid out on its background") {
    PanelConfig first = parse_panel_config(DESIGNED, "panel.cfg");
    CHECK(first.section == "Window00");
    REQUIRE(first.windows.size() == 3);  // the virtual cockpit's texture beside the windows
    CHECK(first.windows[0].title == "Main Panel");
    CHECK(first.windows[1].title == "Radio Stack");
    CHECK(first.windows[1].number == 1);
    CHECK(first.windows[1].line == 13);
    CHECK(first.windows[2].virtual_cockpit);
    CHECK(first.windows[2].number == bench::VCOCKPIT_ID + 1);
    // file= is drawn before any screen-size variant.
    CHECK(first.background == "panel_day.bmp");
    CHECK(first.background_line == 7);

    PanelConfig second = parse_panel_config(DESIGNED, "panel.cfg", 1);
    CHECK(second.section == "Window01");
    CHECK(second.width == 300);
    CHECK(second.background.empty());
    REQUIRE(second.gauges.size() == 1);
    CHECK(second.gauges[0].gauge == "annunciator");

    CHECK_THROWS_WITH(parse_panel_config(DESIGNED, "panel.cfg", 2),
                      "panel.cfg: there is no [Window02] (its windows: Window00 \"Main Panel\", Window01 \"Radio Stack\", "
                      "Vcockpit01)");
    // Only the chosen window's keys are checked: a broken line of ours elsewhere does not stop another window.
    const std::string broken_elsewhere =
        "[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!nonsense,0,0\n[Window01]\nsize_mm=5,5\n";
    CHECK(parse_panel_config(broken_elsewhere, "p.cfg", 1).width == 5);
    CHECK_THROWS_WITH(parse_panel_config(broken_elsewhere, "p.cfg", 0),
                      doctest::Contains("p.cfg:3: unknown gauge \"nonsense\""));
}

TEST_CASE("moving a gauge changes exactly its line, keeping its key, its naming and its comment") {
    bench::PlacedText placed = place_gauge(DESIGNED, "panel.cfg", 0, {"autopilot", 40, 310, 480, 120});
    CHECK_FALSE(placed.added);
    CHECK(placed.line == 11);
    CHECK(placed.entry == "\tGauge01 =\tvmq_tavok22ap ! AutoPilot ,40 , 310, 480, 120  ; ours");
    CHECK(changed(DESIGNED, placed.text) == std::vector<size_t>{11});
    CHECK(placed.text.substr(0, 3) == "\xEF\xBB\xBF");
    PanelConfig read = parse_panel_config(placed.text, "panel.cfg");
    CHECK(read.gauges[1].x == 40);
    CHECK(read.gauges[1].height == 120);

    // Placed where it already is, in the separators it is written with, the file comes back identical.
    const std::string plain = "[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!annunciator, 1, 2, 3 // here\n";
    CHECK(place_gauge(plain, "p.cfg", 0, {"annunciator", 1, 2, 3}).text == plain);
    // Only the first line naming the gauge moves.
    const std::string twice = plain + "gauge01=vmq_Tavok22ap!annunciator, 1, 2, 3\n";
    CHECK(place_gauge(twice, "p.cfg", 0, {"ANNUNCIATOR", 5, 6, 7}).text ==
          "[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!annunciator, 5, 6, 7 // here\n"
          "gauge01=vmq_Tavok22ap!annunciator, 1, 2, 3\n");
}

TEST_CASE("a moved line keeps its columns: each number as wide as it was where it fits") {
    auto moved = [](const std::string& line, GaugePlace place) {
        place.gauge = "autopilot";
        return place_gauge("[Window00]\nsize_mm=9,9\n" + line + "\n", "p.cfg", 0, place).entry;
    };
    CHECK(moved("gauge00=vmq_Tavok22ap!autopilot,      20,  30, 500", {.x = 480, .y = 40, .width = 500}) ==
          "gauge00=vmq_Tavok22ap!autopilot,     480,  40, 500");
    // A number longer than its field takes the room it needs, keeping one blank after the comma;
    // a shorter one is set to the right of its field.
    CHECK(moved("gauge00=vmq_Tavok22ap!autopilot, 2, 3, 50", {.x = 1000, .y = 3, .width = 5}) ==
          "gauge00=vmq_Tavok22ap!autopilot, 1000, 3,  5");
    CHECK(moved("gauge00=vmq_Tavok22ap!autopilot,1,2,3", {.x = 1000, .y = 2, .width = 3}) ==
          "gauge00=vmq_Tavok22ap!autopilot,1000,2,3");
    // Tabs stay where the number keeps its width; a height gained or lost comes or goes with its comma.
    CHECK(moved("gauge00=vmq_Tavok22ap!autopilot,\t10,\t20,\t300", {.x = 11, .y = 20, .width = 300, .height = 70}) ==
          "gauge00=vmq_Tavok22ap!autopilot,\t11,\t20,\t300, 70");
    CHECK(moved("gauge00=vmq_Tavok22ap!autopilot,1,2,3,4  // tall", {.x = 1, .y = 2, .width = 3}) ==
          "gauge00=vmq_Tavok22ap!autopilot,1,2,3  // tall");
}

TEST_CASE("adding a gauge adds one line in its window, after its last gauge, with the file's line end") {
    bench::PlacedText placed = place_gauge(DESIGNED, "panel.cfg", 1, {"altpreselector", 0, 60, 300});
    CHECK(placed.added);
    CHECK(placed.entry == "gauge01=vmq_Tavok22ap!altpreselector, 0, 60, 300");
    CHECK(placed.line == 16);
    std::string expected = DESIGNED;
    const std::string anchor = "gauge00=vmq_Tavok22ap!annunciator,0,0,300\r\n";
    expected.insert(expected.find(anchor) + anchor.size(), placed.entry + "\r\n");
    CHECK(placed.text == expected);
    CHECK(parse_panel_config(placed.text, "panel.cfg", 1).gauges.size() == 2);

    // The next free number follows the highest, whatever the gaps; a section
    // without gauges takes it after its last key; a file without a final line
    // end keeps ending so.
    CHECK(place_gauge("[Window00]\nsize_mm=9,9\ngauge3=a!b,0,0,1\ngauge10=a!c,0,0,1\n", "p.cfg", 0,
                      {"autopilot", 1, 1, 1})
              .entry.substr(0, 8) == "gauge11=");
    CHECK(place_gauge("[Window00]\nsize_mm=9,9\n\n// next\n[Window01]\nsize_mm=1,1\n", "p.cfg", 0, {"autopilot", 1, 2, 3})
              .text == "[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot, 1, 2, 3\n\n// next\n[Window01]\nsize_mm=1,1\n");
    CHECK(place_gauge("[Window00]\r\nsize_mm=9,9", "p.cfg", 0, {"autopilot", 1, 2, 3}).text ==
          "[Window00]\r\nsize_mm=9,9\r\ngauge00=vmq_Tavok22ap!autopilot, 1, 2, 3");
}

TEST_CASE("a moved line of the engine's forms keeps its parameter, its empty fields and its line end") {
    auto moved = [](const std::string& line, GaugePlace place) {
        place.gauge = "altpreselector";
        return place_gauge("[Window00]\r\nsize_mm=9,9\r\n" + line + "\r\n", "p.cfg", 0, place);
    };
    // An empty height before a parameter stays empty, or takes the height given; places may be negative.
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector,24,80,221,,CP", {.x = -41, .y = 0, .width = 300}).entry ==
          "gauge00=vmq_Tavok22ap!altpreselector,-41, 0,300,,CP");
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector,24,80,221,,CP", {.x = 24, .y = 80, .width = 221, .height = 90})
              .entry == "gauge00=vmq_Tavok22ap!altpreselector,24,80,221,90,CP");
    // A height taken out before a parameter leaves its field empty; with nothing after it, it goes with its comma.
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector, 1, 2, 300, 141, P", {.x = 1, .y = 2, .width = 300}).entry ==
          "gauge00=vmq_Tavok22ap!altpreselector, 1, 2, 300,, P");
    // A line without a width keeps none while it is given none, and gains one with the line's separator.
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector, 10, 10 ; natural", {.x = 20, .y = -30}).entry ==
          "gauge00=vmq_Tavok22ap!altpreselector, 20, -30 ; natural");
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector, 10, 10", {.x = 20, .y = 30, .width = 250}).entry ==
          "gauge00=vmq_Tavok22ap!altpreselector, 20, 30, 250");
    CHECK(moved("gauge00=vmq_Tavok22ap!altpreselector, 10, 10, , 100", {.x = 20, .y = 30, .height = 90}).entry ==
          "gauge00=vmq_Tavok22ap!altpreselector, 20, 30, ,  90");
    // The old File.Gauge naming and the CRLF line end are kept, and the rest of the file byte for byte.
    const bench::PlacedText old = moved("Gauge05 = vmq_Tavok22ap.altpreselector, 5, 5, 300", {.x = -5, .y = 5, .width = 300});
    CHECK(old.entry == "Gauge05 = vmq_Tavok22ap.altpreselector, -5, 5, 300");
    CHECK(old.text == "[Window00]\r\nsize_mm=9,9\r\n" + old.entry + "\r\n");
}

TEST_CASE("a virtual cockpit's section takes moves and additions as a window does") {
    const std::string text = "[Window00]\nsize_mm=100,100\n[VCockpit01]\npixel_size=512,512\ntexture=$VC\n"
                             "gauge00=vmq_Tavok22ap!vcaltpreselector, 20, 20, 300\n[VCockpit02]\nsize_mm=256,256\n";
    const int first = bench::VCOCKPIT_ID + 1;
    bench::PlacedText placed = place_gauge(text, "p.cfg", first, {"vcaltpreselector", 10, 10, 280});
    CHECK_FALSE(placed.added);
    CHECK(changed(text, placed.text) == std::vector<size_t>{6});
    bench::PlacedText added = place_gauge(text, "p.cfg", first + 1, {"vcaltpreselector", 0, 0, 256});
    CHECK(added.added);
    CHECK(added.text == text + "gauge00=vmq_Tavok22ap!vcaltpreselector, 0, 0, 256\n");
    const std::vector<bench::GaugeLineChange> changes = bench::gauge_line_changes(text, added.text, "p.cfg");
    REQUIRE(changes.size() == 1);
    CHECK(changes[0].section == "VCockpit02");
}

TEST_CASE("a gauge the page adds goes where it overlaps nothing, at its installation width") {
    PanelConfig panel = parse_panel_config("[Window00]\nsize_mm=1000,400\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\n"
                                           "gauge01=Other!clock, 500, 0, 200, 200\ngauge02=Radio!Audio, 0, 130\n",
                                           "p.cfg");
    GaugePlace annunciator = bench::free_place(panel, "annunciator");
    CHECK(annunciator.width == 300);
    CHECK(annunciator.x == 700);  // beside the clock, in the top row
    CHECK(annunciator.y == 0);
    GaugePlace autopilot = bench::free_place(panel, "autopilot");
    CHECK(autopilot.width == 500);
    CHECK(autopilot.x == 0);  // beneath the autopilot and the marker, left of the clock
    CHECK(autopilot.y == 146);
    // No room anywhere: the middle of the window, at most its width.
    PanelConfig full = parse_panel_config("[Window00]\nsize_mm=200,100\ngauge00=Other!wall, 0, 0, 200, 100\n", "p.cfg");
    GaugePlace squeezed = bench::free_place(full, "autopilot");
    CHECK(squeezed.width == 200);
    CHECK(squeezed.x == 0);
    CHECK(squeezed.y == 26);
}

TEST_CASE("what the reader refuses, the writer refuses, and an unknown gauge or a bad place too") {
    CHECK_THROWS_WITH(
        place_gauge("[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot,zero,0,1\n", "p.cfg", 0, {"autopilot", 1, 1, 1}),
        doctest::Contains("p.cfg:3: X \"zero\" is not a whole number"));
    CHECK_THROWS_WITH(place_gauge(DESIGNED, "p.cfg", 7, {"autopilot", 1, 1, 1}), doctest::Contains("no [Window07]"));
    CHECK_THROWS_AS(place_gauge(DESIGNED, "p.cfg", 0, {"clock", 1, 1, 1}), std::invalid_argument);
    CHECK_THROWS_AS(place_gauge(DESIGNED, "p.cfg", 0, {"autopilot", -16385, 1, 1}), std::invalid_argument);
    CHECK_THROWS_AS(place_gauge(DESIGNED, "p.cfg", 0, {"autopilot", 1, 1, -1}), std::invalid_argument);
    CHECK_THROWS_AS(place_gauge(DESIGNED, "p.cfg", 0, {"autopilot", 1, 1, 1, 16385}), std::invalid_argument);
}

TEST_CASE("the page's edits: a copy moved by its line, a second copy added, a gauge taken out") {
    // Two copies of the annunciator: the second is moved by its own line, the first stays.
    const std::string twice = "[Window00]\r\nsize_mm=900,400\r\n"
                              "gauge00=vmq_Tavok22ap!annunciator, 1, 2, 300\r\n"
                              "gauge01=vmq_Tavok22ap!annunciator, 1, 200, 300 ; lower\r\n"
                              "gauge02=other!clock, 500, 0, 100\r\n";
    bench::PlacedText moved = bench::move_gauge(twice, "p.cfg", 0, 4, {.x = 400, .y = 210, .width = 320, .height = 160});
    CHECK(moved.entry == "gauge01=vmq_Tavok22ap!annunciator, 400, 210, 320, 160 ; lower");
    CHECK(changed(twice, moved.text) == std::vector<size_t>{4});
    // Another file's gauge, a line that is no gauge, a line past the end: not ours to move.
    for (int line : {5, 2, 9})
        CHECK_THROWS_WITH_AS(bench::move_gauge(twice, "p.cfg", 0, line, {.x = 1, .y = 1, .width = 1}),
                             ("line " + std::to_string(line) + " of p.cfg is not a gauge of this module in [Window00]").c_str(),
                             std::invalid_argument);

    // Added though the window shows it already: a third copy, at the next free number, after the last gauge line.
    bench::PlacedText added = bench::add_gauge(twice, "p.cfg", 0, {.gauge = "Annunciator", .x = 5, .y = 6, .width = 7});
    CHECK(added.entry == "gauge03=vmq_Tavok22ap!annunciator, 5, 6, 7");
    CHECK(added.line == 6);
    CHECK(added.text == twice + "gauge03=vmq_Tavok22ap!annunciator, 5, 6, 7\r\n");
    PanelConfig three = parse_panel_config(added.text, "p.cfg");
    REQUIRE(three.gauges.size() == 4);
    CHECK(three.gauges[3].name == "annunciator-3");

    // Taken out: the line and its line end, nothing else; the other copy keeps its line and place.
    bench::PlacedText removed = bench::remove_gauge(twice, "p.cfg", 0, 3);
    CHECK(removed.entry == "gauge00=vmq_Tavok22ap!annunciator, 1, 2, 300");
    CHECK(removed.text == "[Window00]\r\nsize_mm=900,400\r\n"
                          "gauge01=vmq_Tavok22ap!annunciator, 1, 200, 300 ; lower\r\ngauge02=other!clock, 500, 0, 100\r\n");
    CHECK_THROWS_AS(bench::remove_gauge(twice, "p.cfg", 0, 5), std::invalid_argument);  // another file's gauge stays
    // A key given twice: the later line, passed over while the first stood, counts once it is gone.
    const std::string given_twice = "[Window00]\nsize_mm=900,400\ngauge02=vmq_Tavok22ap!annunciator,10,200,300\n"
                                    "gauge01=other!clock,600,0,100\ngauge02=vmq_Tavok22ap!annunciator,10,20,300\n";
    const bench::PlacedText uncovered = bench::remove_gauge(given_twice, "p.cfg", 0, 3);
    CHECK(uncovered.text == "[Window00]\nsize_mm=900,400\ngauge01=other!clock,600,0,100\n"
                            "gauge02=vmq_Tavok22ap!annunciator,10,20,300\n");
    REQUIRE(parse_panel_config(uncovered.text, "p.cfg").gauges.size() == 2);
    CHECK(parse_panel_config(uncovered.text, "p.cfg").gauges[1].y == 20);
    // The last line, with no line end after it: the file goes on ending without one.
    CHECK(bench::remove_gauge("[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot,1,1,1", "p.cfg", 0, 3).text ==
          "[Window00]\nsize_mm=9,9");
    // Every gauge of a window taken out, then one added: it goes after the window's last key.
    const std::string alone = "\xEF\xBB\xBF[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot,1,1,1\n[Window01]\nsize_mm=1,1\n";
    const std::string empty = bench::remove_gauge(alone, "p.cfg", 0, 3).text;
    CHECK(empty == "\xEF\xBB\xBF[Window00]\nsize_mm=9,9\n[Window01]\nsize_mm=1,1\n");
    CHECK(bench::add_gauge(empty, "p.cfg", 0, {.gauge = "autopilot", .x = 1, .y = 1, .width = 1}).text ==
          "\xEF\xBB\xBF[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot, 1, 1, 1\n[Window01]\nsize_mm=1,1\n");
}

TEST_CASE("the changed gauge lines of every window, between the file as opened and as it now reads") {
    std::string now = place_gauge(DESIGNED, "panel.cfg", 0, {"autopilot", 40, 310, 480}).text;
    now = bench::add_gauge(now, "panel.cfg", 1, {.gauge = "autopilot", .x = 0, .y = 0, .width = 300}).text;
    now = bench::remove_gauge(now, "panel.cfg", 1, 15).text;  // the annunciator of [Window01]
    const std::vector<bench::GaugeLineChange> changes = bench::gauge_line_changes(DESIGNED, now, "panel.cfg");
    REQUIRE(changes.size() == 3);
    CHECK(changes[0].section == "Window00");
    CHECK(changes[0].kind == "changed");
    CHECK(changes[0].key == "Gauge01");
    CHECK(changes[0].line == 11);
    CHECK(changes[0].now == "\tGauge01 =\tvmq_tavok22ap ! AutoPilot ,40 , 310, 480  ; ours");
    CHECK(changes[0].was == "\tGauge01 =\tvmq_tavok22ap ! AutoPilot ,10 , 300, 500  ; ours");
    CHECK(changes[1].kind == "added");
    CHECK(changes[1].now == "gauge01=vmq_Tavok22ap!autopilot, 0, 0, 300");
    CHECK(changes[2].kind == "removed");
    CHECK(changes[2].was == "gauge00=vmq_Tavok22ap!annunciator,0,0,300");
    CHECK(changes[2].now.empty());
    // Moved back where it was, written as it was: nothing has changed.
    CHECK(bench::gauge_line_changes(DESIGNED, DESIGNED, "panel.cfg").empty());
}

TEST_CASE("a file is written whole: the new bytes, or on failure the old file untouched") {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("panel-writer-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "panel.cfg").string();
    bench::write_file_whole(path, DESIGNED);
    bench::write_file_whole(path, "new");
    std::ifstream in(path, std::ios::binary);
    CHECK(std::string(std::istreambuf_iterator<char>(in), {}) == "new");
    CHECK_THROWS(bench::write_file_whole((folder / "no" / "such" / "panel.cfg").string(), "x"));
    CHECK(std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1);  // no partial file left
    fs::remove_all(folder);
}

TEST_CASE("background pictures: 8 and 24 bits read back, hostile headers refused") {
    bench::BmpImage image{3, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 200, 100, 50, 0, 0, 0}};
    for (int bits : {8, 24}) {
        CAPTURE(bits);
        const std::string file = bench::encode_bmp(image, bits);
        bench::BmpImage back = bench::parse_bmp(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "x.bmp");
        CHECK(back.width == 3);
        CHECK(back.height == 2);
        CHECK(back.rgb == image.rgb);
    }
    std::string good = bench::encode_bmp(image, 24);
    auto refusal = [](std::string bytes) {
        try {
            bench::parse_bmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "x.bmp");
        } catch (const bench::BmpError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    auto with = [&](size_t at, uint32_t value, int width = 4) {
        std::string bytes = good;
        for (int i = 0; i < width; ++i) bytes[at + i] = char(value >> (8 * i) & 0xFF);
        return bytes;
    };
    CHECK(refusal(good.substr(0, good.size() - 1)).find("x.bmp: the BMP file is truncated") == 0);
    CHECK(refusal("GIF89a" + good).find("not a BMP file") != std::string::npos);
    CHECK(refusal(with(18, 0x7FFFFFFF)).find("size") != std::string::npos);             // width
    CHECK(refusal(with(22, 0x80000000)).find("size") != std::string::npos);             // most negative height
    CHECK(refusal(with(28, 32, 2)).find("only 8 and 24") != std::string::npos);         // 32 bits
    CHECK(refusal(with(30, 1)).find("compressed") != std::string::npos);
    CHECK(refusal(with(10, 0xFFFFFFF0)).find("past the end") != std::string::npos);     // pixel offset
    CHECK(refusal(with(14, 12)).find("unsupported BMP header") != std::string::npos);
    // A top-down picture reads the same as a bottom-up one.
    std::string top_down = with(22, uint32_t(-2));
    const size_t stride = 12, rows_at = good.size() - 2 * stride;
    top_down.replace(rows_at, stride * 2, good.substr(rows_at + stride, stride) + good.substr(rows_at, stride));
    CHECK(bench::parse_bmp(reinterpret_cast<const uint8_t*>(top_down.data()), top_down.size(), "x").rgb == image.rgb);
    // An 8-bit pixel beyond its palette.
    std::string paletted = bench::encode_bmp(image, 8);
    paletted[paletted.size() - 4] = char(200);
    CHECK(refusal(paletted).find("beyond its palette") != std::string::npos);
}

TEST_CASE("a window's picture is found beside its configuration, in any case; a missing one is named") {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("panel-picture-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Art");
    const std::string cfg = (folder / "panel.cfg").string();
    bench::write_file_whole(cfg, "[Window00]\nfile=art\\day.bmp\nsize_mm=4,2\n[Window01]\nfile=night.bmp\nsize_mm=4,2\n");
    bench::BmpImage picture{2, 1, {1, 2, 3, 4, 5, 6}};
    bench::write_file_whole((folder / "Art" / "DAY.BMP").string(), bench::encode_bmp(picture, 24));

    PanelConfig day = bench::read_panel_config(cfg, 0);
    REQUIRE(day.background_picture);
    CHECK(day.background_picture->rgb == picture.rgb);
    CHECK(day.background_problem.empty());

    PanelConfig night = bench::read_panel_config(cfg, 1);
    CHECK_FALSE(night.background_picture);
    CHECK(night.background_problem.find("the background of [Window01] (" + cfg + ":5): ") == 0);
    CHECK(night.background_problem.find("night.bmp: cannot open the picture; the window is drawn plain") !=
          std::string::npos);
    CHECK(night.background_problem.find('\n') == std::string::npos);
    fs::remove_all(folder);
}
