// Reading panel configurations: a file shaped like the ones aircraft ship
// (other gauges, comments, odd spacing and line ends) is read right, and a
// malformed line is refused naming the file and the line.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "bench/common/panel_config.h"
#include "resources/bitmaps.h"

using bench::PanelConfig;
using bench::PanelConfigError;
using bench::parse_panel_config;

namespace {

// The message a configuration is refused with, or "" when it is read.
std::string refusal(const std::string& text) {
    try {
        parse_panel_config(text, "panel.cfg");
    } catch (const PanelConfigError& e) {
        return e.what();
    }
    return "";
}

// A window section holding `lines` after a valid size.
std::string window(const std::string& lines) { return "[Window00]\nsize_mm=1024,768\n" + lines; }

}  // namespace

TEST_CASE("a real-world-shaped configuration is read right") {
    const std::string text =
        "\xEF\xBB\xBF// Panel of a light twin\r\n"
        "[Window Titles]\r\n"
        "Window00=Main Panel\r\n"
        "Window01=Radio Stack\r\n"
        "\r\n"
        "[VIEWS]\r\n"
        "VIEW_FORWARD_WINDOWS=MAIN_PANEL,1\r\n"
        "\r\n"
        "  [ WINDOW00 ]   ; the main panel\r\n"
        "FILE=panel_day.bmp\r\n"
        "SIZE_MM = 1024 , 768\r\n"
        "position=7\r\n"
        "visible=1\r\n"
        "ident=MAIN_PANEL\r\n"
        "window_size_ratio=1.000\r\n"
        "gauge00=Other_Clock!Clock,  600,20,120   // a clock of another maker\r\n"
        "\tGauge01 =\tvmq_tavok22ap ! AutoPilot ,10 , 300, 500\r\n"
        "//gauge02=vmq_Tavok22ap!annunciator, 0, 0, 300\r\n"
        "; gauge02=broken line that is only a comment\r\n"
        "gauge02=VMQ_TAVOK22AP!altpreselector,520,300,300,141 ; taller than its face\r\n"
        "gauge03=Other_Radio!Nav Com, 10, 450, 300, 80, some parameter\r\n"
        "gauge04=vmq_Tavok22ap!altpreselector, 520, 460, 300\r\n"
        "\r\n"
        "[Window01]\r\n"
        "size_mm=300,200\r\n"
        "gauge00=vmq_Tavok22ap!annunciator,0,0,300\r\n"
        "gauge01=whatever goes here is not laid out\r\n";
    PanelConfig c = parse_panel_config(text, "panel.cfg");
    CHECK(c.source == "panel.cfg");
    CHECK(c.section == "WINDOW00");
    CHECK(c.width == 1024);
    CHECK(c.height == 768);
    REQUIRE(c.gauges.size() == 5);

    CHECK(c.gauges[0].file == "Other_Clock");
    CHECK(c.gauges[0].gauge == "Clock");
    CHECK_FALSE(c.gauges[0].ours());
    CHECK(c.gauges[0].name.empty());
    CHECK(c.gauges[0].line == 16);
    CHECK(c.gauges[0].x == 600);
    CHECK(c.gauges[0].width == 120);
    CHECK(c.gauges[0].height == 0);

    // Ours, however spelt: the module's own gauge name, the file as written.
    CHECK(c.gauges[1].ours());
    CHECK(c.gauges[1].file == "vmq_tavok22ap");
    CHECK(c.gauges[1].gauge == "autopilot");
    CHECK(c.gauges[1].name == "autopilot");
    CHECK(c.gauges[1].line == 17);
    CHECK(c.gauges[1].x == 10);
    CHECK(c.gauges[1].y == 300);
    CHECK(c.gauges[1].width == 500);
    CHECK(c.gauges[1].height == 0);

    CHECK(c.gauges[2].ours());
    CHECK(c.gauges[2].height == 141);
    CHECK(c.gauges[2].line == 20);

    // Another file's gauge keeps its name with its blank, and its parameter is passed over.
    CHECK(c.gauges[3].gauge == "Nav Com");
    CHECK(c.gauges[3].height == 80);

    // A second copy of a gauge gets a name of its own on the bench.
    CHECK(c.gauges[4].name == "altpreselector-2");
    CHECK(c.gauges[2].name == "altpreselector");
}

TEST_CASE("a gauge of another file whose name is one of ours is not ours") {
    PanelConfig c = parse_panel_config(window("gauge00=vmq_Tavok22ap_old!autopilot, 0, 0, 500\n"), "p.cfg");
    REQUIRE(c.gauges.size() == 1);
    CHECK_FALSE(c.gauges[0].ours());
    CHECK(c.gauges[0].name.empty());
}

TEST_CASE("only the first window section is laid out, and a late one is not mistaken for it") {
    PanelConfig c = parse_panel_config(
        "[Window03]\nsize_mm=300,200\ngauge00=vmq_Tavok22ap!annunciator,0,0,300\n"
        "[Window00]\nsize_mm=9,9\ngauge00=vmq_Tavok22ap!autopilot,0,0,500\n",
        "p.cfg");
    CHECK(c.section == "Window03");
    CHECK(c.width == 300);
    REQUIRE(c.gauges.size() == 1);
    CHECK(c.gauges[0].gauge == "annunciator");
}

TEST_CASE("a gauge line of ours that does not read is refused naming file and line") {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"gauge00=vmq_Tavok22ap, 0, 0, 500", "panel.cfg:3: gauge00 names no gauge"},
        {"gauge00=vmq_Tavok22ap!, 0, 0, 500", "panel.cfg:3: gauge00 names no gauge after"},
        {"gauge07=vmq_Tavok22ap!autopilotx, 0, 0, 500", "panel.cfg:3: unknown gauge \"autopilotx\" in vmq_Tavok22ap (its gauges: altpreselector"},
        {"gauge07=vmq_tavok22ap.clock, 0, 0, 500", "panel.cfg:3: unknown gauge \"clock\" in vmq_tavok22ap"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0", "panel.cfg:3: gauge00 is missing X and Y"},
        {"gauge00=vmq_Tavok22ap!autopilot", "panel.cfg:3: gauge00 is missing X and Y"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, , 500", "panel.cfg:3: Y is missing"},
        {"gauge00=vmq_Tavok22ap!autopilot, ten, 0, 500", "panel.cfg:3: X \"ten\" is not a whole number"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500.5", "panel.cfg:3: the width \"500.5\" is not a whole number"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500 x", "panel.cfg:3: the width \"500 x\" is not a whole number"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500, CP", "panel.cfg:3: the height \"CP\" is not a whole number"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, -16385, 500", "panel.cfg:3: Y -16385 is out of range"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 0", "panel.cfg:3: the width 0 is out of range"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500, 0", "panel.cfg:3: the height 0 is out of range"},
        {"gauge00=vmq_Tavok22ap!autopilot, 16385, 0, 500", "panel.cfg:3: X 16385 is out of range"},
        {"gauge00=vmq_Tavok22ap!autopilot, 99999999999999999999, 0, 500", "panel.cfg:3: X 99999999999999999999 is out of range"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.line);
        CHECK(refusal("[Window00]\nsize_mm=10,10\n" + std::string(c.line) + "\n").find(c.message) == 0);
    }
    // A file with nothing to lay out.
    CHECK(refusal("// only comments\n\n; here\n").find("panel.cfg:3: no window section") == 0);
    CHECK(refusal("").find("panel.cfg:1: no window section") == 0);
    CHECK(refusal("[Window Titles]\nWindow00=Main\n[Views]\n").find("panel.cfg:3: no window section") == 0);
}

TEST_CASE("the engine's forms of a gauge line: no size, empty fields, a parameter, places outside") {
    PanelConfig c = parse_panel_config(window("gauge00=vmq_Tavok22ap!autopilot, -41, 0\n"
                                              "gauge01=vmq_Tavok22ap!altpreselector,24,80,,141,CP\n"
                                              "gauge02=vmq_Tavok22ap.annunciator, 10, -5, 300, , with, commas\n"
                                              "gauge03=Radio!Audio, 0, 0\n"
                                              "gauge04=Korvid_PFD!PFD,  24,80,221,,CP\n"
                                              "gauge05=Old_Maker.Clock, 5, 6, 70\n"),
                                       "p.cfg");
    REQUIRE(c.gauges.size() == 6);
    CHECK(c.notes.empty());
    // Ours without a width: the face's own, and the line says it gave none.
    CHECK(c.gauges[0].x == -41);
    CHECK(c.gauges[0].width == 500);
    CHECK_FALSE(c.gauges[0].width_given);
    CHECK(c.gauges[0].height == 0);
    CHECK(c.gauges[1].width == 213);
    CHECK(c.gauges[1].height == 141);
    // The old File.Gauge naming of our file is ours; the parameter is passed to the gauge, not read.
    CHECK(c.gauges[2].ours());
    CHECK(c.gauges[2].y == -5);
    CHECK(c.gauges[2].width == 300);
    CHECK(c.gauges[2].height == 0);
    // Another file's gauge without a size is a marker (width 0), labelled as written.
    CHECK(c.gauges[3].width == 0);
    CHECK(c.gauges[3].named == "Radio!Audio");
    CHECK(c.gauges[4].width == 221);
    CHECK(c.gauges[4].height == 0);
    CHECK(c.gauges[5].file == "Old_Maker");
    CHECK(c.gauges[5].gauge == "Clock");
}

TEST_CASE("another file's line or a line that is no key never stops the file: one note each, naming file:line") {
    PanelConfig c = parse_panel_config(window("gauge00=!autopilot, 1, 2, 3\n"         // 3: named as written
                                              "gauge01=Other!clock, 0, 0, -1\n"       // 4: a marker
                                              "gauge02=Other!clock, x, 0, 10\n"       // 5: passed over
                                              "gauge03=Other!clock\n"                 // 6: passed over
                                              "gauge04=Other!clock, 1, 2, 30, 1.5\n"  // 7: drawn without a height
                                              "this is no key\n"                      // 8
                                              "= 5\n"                                 // 9
                                              "[Window01\n"                           // 10
                                              "gauge05=Other!clock, 1, 2, 30, 40\n"), // read: still [Window00]
                                       "panel.cfg");
    REQUIRE(c.notes.size() == 8);
    for (size_t i = 0; i < c.notes.size(); ++i) {
        CAPTURE(c.notes[i]);
        CHECK(c.notes[i].find("panel.cfg:" + std::to_string(i + 3) + ": ") == 0);
        CHECK(c.notes[i].find('\n') == std::string::npos);
    }
    CHECK(c.notes[2].find("passed over") != std::string::npos);
    REQUIRE(c.gauges.size() == 4);
    CHECK(c.gauges[0].named == "!autopilot");
    CHECK(c.gauges[1].width == 0);
    CHECK(c.gauges[2].width == 30);
    CHECK(c.gauges[2].height == 0);
    CHECK(c.gauges[3].line == 11);
    // A key outside any section is passed over; a gauge line there says so.
    PanelConfig outside = parse_panel_config("gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\nident=x\n[Window00]\nsize_mm=10,10\n", "p.cfg");
    REQUIRE(outside.notes.size() == 1);
    CHECK(outside.notes[0].find("p.cfg:1: gauge00 stands outside any section") == 0);
}

TEST_CASE("a section or key given twice: the first is read, the later one passed over with a note") {
    PanelConfig c = parse_panel_config("[Window00]\nsize_mm=100,50\nsize_mm=9,9\nfile=a.bmp\nFILE=b.bmp\n"
                                       "gauge00=Other!clock, 1, 1, 10\nGAUGE00=vmq_Tavok22ap!autopilot, 1, 1, 500\n"
                                       "[window0]\ngauge01=vmq_Tavok22ap!annunciator, 0, 0, 300\n"
                                       "[Window01]\nsize_mm=5,5\n",
                                       "p.cfg");
    CHECK(c.width == 100);
    CHECK(c.height == 50);
    CHECK(c.background == "a.bmp");
    REQUIRE(c.gauges.size() == 1);
    CHECK(c.gauges[0].file == "Other");
    REQUIRE(c.windows.size() == 2);  // [window0] is [Window00] again, not a window of its own
    REQUIRE(c.notes.size() == 3);
    CHECK(c.notes[0].find("p.cfg:3: size_mm is given again (first on line 2)") == 0);
    CHECK(c.notes[1].find("p.cfg:7: GAUGE00 is given again (first on line 6)") == 0);
    CHECK(c.notes[2].find("p.cfg:8: [window0] is given again (first on line 1)") == 0);
    // The key numbering still counts the passed-over line: an added gauge takes the next number.
    CHECK(c.next_gauge_number == 1);
}

TEST_CASE("virtual-cockpit sections are listed beside the windows and chosen by number or name") {
    const std::string text = "[Window Titles]\nWindow00=Main\n[Window00]\nsize_mm=100,100\n"
                             "[VCOCKPIT01]\nsize_mm=1024,1024\npixel_size=512,256\ntexture=$VC_Main \t\n"
                             "background_color=10, 20,30\ngauge00=vmq_Tavok22ap!vcaltpreselector, 10, 10, 280\n"
                             "[vcockpit02]\nsize_mm=64\nbackground_color=300,0,0\n";
    PanelConfig c = parse_panel_config(text, "p.cfg", bench::window_choice("VCockpit01"));
    CHECK(c.section == "VCOCKPIT01");
    CHECK(c.virtual_cockpit);
    CHECK(c.width == 512);  // the texture's pixels, in which the gauges are placed
    CHECK(c.height == 256);
    CHECK(c.background_colour == 0x0A141E);
    REQUIRE(c.windows.size() == 3);
    CHECK(c.windows[0].title == "Main");
    CHECK(c.windows[1].texture == "$VC_Main");
    CHECK(c.windows[2].number == bench::VCOCKPIT_ID + 2);
    REQUIRE(c.gauges.size() == 1);
    CHECK(c.gauges[0].name == "vcaltpreselector");

    PanelConfig second = parse_panel_config(text, "p.cfg", bench::window_choice("[vcockpit02]"));
    CHECK(second.background_colour == 0);
    REQUIRE(second.notes.size() == 1);
    CHECK(second.notes[0].find("p.cfg:13: background_color=\"300,0,0\" is not R,G,B") == 0);

    // Only virtual cockpits: the first is laid out.
    CHECK(parse_panel_config("[VCockpit03]\nsize_mm=5,5\n", "p.cfg").section == "VCockpit03");
    CHECK_THROWS_WITH(parse_panel_config(text, "p.cfg", bench::window_choice("VCockpit09")),
                      doctest::Contains("p.cfg: there is no [VCockpit09] (its windows: Window00 \"Main\", VCOCKPIT01"));

    CHECK(bench::window_choice("1") == 1);
    CHECK(bench::window_choice("Window01") == 1);
    CHECK(bench::window_choice("window1") == 1);
    CHECK(bench::window_choice("VCockpit01") == bench::VCOCKPIT_ID + 1);
    CHECK(bench::section_name(bench::VCOCKPIT_ID + 1) == "VCockpit01");
    for (const char* bad : {"", "-1", "Views", "VCockpit", "10000", "Window1x"}) {
        CAPTURE(bad);
        CHECK_THROWS_AS(bench::window_choice(bad), std::invalid_argument);
    }
}

TEST_CASE("a window's size: size_mm, else its picture's, else what holds its gauges, said in one note") {
    // Only a width, no picture: tall enough for its gauges.
    PanelConfig narrow = parse_panel_config("[Window00]\nsize_mm=600\ngauge00=vmq_Tavok22ap!autopilot, 0, 20, 500\n", "p.cfg");
    CHECK(narrow.width == 600);
    CHECK(narrow.height == 139);
    CHECK(narrow.size_note.find("[Window00] (p.cfg:1) gives only its width") == 0);
    // Neither: the size that holds every gauge, markers too.
    PanelConfig none = parse_panel_config(
        "[Window00]\nsize_mm=abc\ngauge00=vmq_Tavok22ap!annunciator, 10, 10, 300\ngauge01=Radio!Audio, 400, 5\n", "p.cfg");
    CHECK(none.width == 416);
    CHECK(none.height == 151);
    CHECK(none.size_note.find("gives no size and no picture; it is sized to hold its gauges, 416x151") != std::string::npos);
    REQUIRE(none.notes.size() == 1);
    CHECK(none.notes[0].find("p.cfg:2: size_mm=\"abc\" is not W[,H]") == 0);
    CHECK(bench::panel_notes(none).size() == 2);

    // With pictures (the corpus's airliner): the height from the picture's aspect, or the picture's own size.
    PanelConfig main = bench::read_panel_config(PANEL_CORPUS "/airliner/panel.cfg", 0);
    CHECK(main.background == "Main_1024.BMP");  // the day picture, over its night variant
    REQUIRE(main.background_picture);
    CHECK(main.width == 1280);
    CHECK(main.height == 600);  // a 128x60 picture
    CHECK(main.size_note.empty());
    PanelConfig overhead = bench::read_panel_config(PANEL_CORPUS "/airliner/panel.cfg", 1);
    CHECK(overhead.width == 240);
    CHECK(overhead.height == 80);
    PanelConfig pedestal = bench::read_panel_config(PANEL_CORPUS "/airliner/panel.cfg", 2);
    CHECK(pedestal.width == 300);
    CHECK(pedestal.height == 340);
    CHECK_FALSE(pedestal.size_note.empty());
    // A picture named with blanks, and blanks and a tab after the name.
    PanelConfig trainer = bench::read_panel_config(PANEL_CORPUS "/trainer/panel.cfg", 0);
    CHECK(trainer.background == "Main Panel.bmp");
    CHECK(trainer.background_picture);
}

TEST_CASE("the corpus's odd lines: the file opens, with one note for each line it cannot read") {
    PanelConfig c = bench::read_panel_config(PANEL_CORPUS "/odd_lines/panel.cfg", 0);
    std::vector<int> noted;
    for (const std::string& note : c.notes) noted.push_back(std::stoi(note.substr(note.rfind("panel.cfg:") + 10)));
    CHECK(noted == std::vector<int>{9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21});
    int ours = 0;
    for (const bench::PanelPlacement& p : c.gauges) ours += p.ours();
    CHECK(ours == 1);
    CHECK(c.gauges.size() == 7);  // One, Four (as written), Five, Six, ours, Eight and Nine as markers
}

TEST_CASE("a NUL byte inside the text is refused, not taken as the end of it") {
    using namespace std::string_literals;
    const std::string text = "[Window00]\nsize_mm=10,10\ngauge00=Other!clock\0, 0, 0, 1\n"s;
    CHECK(refusal(text).find("panel.cfg:3: the line holds a NUL byte") == 0);
}

TEST_CASE("reading a file: the configuration's name in messages, and a clear refusal when it cannot be read") {
    CHECK_THROWS_WITH_AS(bench::read_panel_config("/no/such/panel.cfg"),
                         "/no/such/panel.cfg: cannot open the panel configuration", PanelConfigError);
    CHECK_THROWS_WITH_AS(bench::read_panel_config("/"), doctest::Contains("/: cannot open the panel configuration"),
                         PanelConfigError);
}

TEST_CASE("the default panel holds all five faces side by side at their own sizes") {
    PanelConfig c = bench::default_panel();
    CHECK(c.source == "(all five gauges)");
    REQUIRE(c.gauges.size() == 5);
    int right = 0;
    for (const bench::PanelPlacement& p : c.gauges) {
        CAPTURE(p.gauge);
        CHECK(p.ours());
        CHECK(p.name == p.gauge);
        CHECK(p.x >= right);  // in order, none over another
        right = p.x + p.width;
        CHECK(right <= c.width);
        CHECK(p.y + p.height <= c.height);
    }
    CHECK(c.gauges[3].gauge == "autopilot");
    CHECK(c.gauges[3].width == 500);
    CHECK(c.gauges[3].height == 119);
}

TEST_CASE("a gauge without a height keeps its face's aspect, rounded to the nearest unit") {
    using bench::height_keeping_aspect;
    CHECK(height_keeping_aspect(300, 213, 100) == 141);  // 140.85: the preselector at its panel width
    CHECK(height_keeping_aspect(500, 500, 119) == 119);
    CHECK(height_keeping_aspect(1, 2, 1) == 1);  // a half goes up
    CHECK(height_keeping_aspect(3, 4, 1) == 1);  // 0.75
    CHECK(height_keeping_aspect(5, 4, 1) == 1);  // 1.25
    CHECK(height_keeping_aspect(40, 0, 10) == 40);  // no face width: square
}
