// Reading panel configurations: a file shaped like the ones aircraft ship
// (other gauges, comments, odd spacing and line ends) is read right, and a
// malformed line is refused naming the file and the line.
#include <doctest/doctest.h>

#include <string>

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

TEST_CASE("malformed lines are refused naming file and line") {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap autopilot, 0, 0, 500\n", "panel.cfg:3: gauge00 names no gauge"},
        {"[Window00]\nsize_mm=10,10\ngauge00=!autopilot, 0, 0, 500\n", "panel.cfg:3: gauge00 names no gauge file"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!, 0, 0, 500\n", "panel.cfg:3: gauge00 names no gauge after"},
        {"[Window00]\nsize_mm=10,10\n\ngauge07=vmq_Tavok22ap!autopilotx, 0, 0, 500\n",
         "panel.cfg:4: unknown gauge \"autopilotx\" in vmq_Tavok22ap (its gauges: altpreselector"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0\n", "panel.cfg:3: gauge00 is missing fields"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot\n", "panel.cfg:3: gauge00 is missing fields"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, , 500\n", "panel.cfg:3: missing Y"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500, 100, 7\n",
         "panel.cfg:3: gauge00 has fields after the height"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, ten, 0, 500\n",
         "panel.cfg:3: X \"ten\" is not a whole number"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500.5\n",
         "panel.cfg:3: the width \"500.5\" is not a whole number"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500 x\n",
         "panel.cfg:3: the width \"500 x\" is not a whole number"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, -4, 500\n", "panel.cfg:3: Y -4 is out of range"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 0\n", "panel.cfg:3: the width is 0"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500, 0\n", "panel.cfg:3: the height is 0"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 16385, 0, 500\n",
         "panel.cfg:3: X 16385 is out of range"},
        {"[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot, 99999999999999999999, 0, 500\n",
         "panel.cfg:3: X 99999999999999999999 is out of range"},
        // Another file's gauge is still drawn as a box: its place must be sound.
        {"[Window00]\nsize_mm=10,10\ngauge00=Other!clock, 0, 0, -1\n", "panel.cfg:3: the width -1 is out of range"},
        {"gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\n[Window00]\nsize_mm=10,10\n",
         "panel.cfg:1: \"gauge00\" stands outside any section"},
        {"// only comments\n\n; here\n", "panel.cfg:3: no window section"},
        {"", "panel.cfg:1: no window section"},
        {"[Window Titles]\nWindow00=Main\n[Views]\n", "panel.cfg:3: no window section"},
        {"[Views]\n[Window00]\nposition=0\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\n",
         "panel.cfg:2: the window section [Window00] has no size_mm=W,H"},
        {"[Window00]\nsize_mm=1024\n", "panel.cfg:2: size_mm takes W,H"},
        {"[Window00]\nsize_mm=1024,0\n", "panel.cfg:2: the window height is 0"},
        {"[Window00]\nsize_mm=1024,abc\n", "panel.cfg:2: the window height \"abc\" is not a whole number"},
        {"[Window00]\nsize_mm=1024,768\nsize_mm=800,600\n", "panel.cfg:3: size_mm is given twice (first on line 2)"},
        {"[Window00\nsize_mm=10,10\n", "panel.cfg:1: a section name must end with ']'"},
        {"[ ]\n", "panel.cfg:1: a section with no name"},
        {"[Window00]\nsize_mm=10,10\nthis is no key\n", "panel.cfg:3: expected KEY=VALUE or [SECTION]"},
        {"[Window00]\r\nsize_mm=10,10\r\n= 5\r\n", "panel.cfg:3: a line with no key before '='"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.text);
        CHECK(refusal(c.text).find(c.message) == 0);
    }
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
