// Runs and pictures on a laid-out panel: the configuration's gauges are on
// the panel before a script's first line, under the names scripts use, and
// the window is drawn with each gauge scaled to its place.
#include "bench/tests/bench_support.h"

#include <chrono>
#include <filesystem>

#include "bench/common/panel_config.h"
#include "bench/common/render.h"
#include "host/host.h"

namespace {

using test::has;

const std::string PANEL_TEXT = R"([Window00]
size_mm=900,400
gauge00=vmq_Tavok22ap!altpreselector, 0, 0, 300
gauge01=vmq_Tavok22ap!altpreselector, 300, 0, 300   ; a second copy
gauge02=other_gauges!clock, 620, 10, 100
gauge03=vmq_Tavok22ap!annunciator, 10, 200, 416
)";

bench::PanelConfig test_panel() { return bench::parse_panel_config(PANEL_TEXT, "test.cfg"); }

benchtest::Outcome run_on_panel(const std::string& text) {
    bench::RunOptions o = benchtest::options();
    o.panel = test_panel();
    bench::Script script = bench::parse_script(text, "test.pbs", &*o.panel);
    std::ostringstream timeline, errors;
    int result = bench::run_script(script, o, timeline, errors);
    return {result, timeline.str(), errors.str()};
}

std::string parse_error_on_panel(const std::string& text) {
    bench::PanelConfig panel = test_panel();
    try {
        bench::parse_script(text, "test.pbs", &panel);
    } catch (const bench::BenchError& e) {
        return e.what();
    }
    return "";
}

std::unique_ptr<panelhost::Host> host() {
    panelhost::HostOptions o;
    o.sound_library = benchtest::sound_path;
    return std::make_unique<panelhost::Host>(benchtest::module_path, o);
}

}  // namespace

TEST_CASE("a run on a panel places the configuration's gauges first, and scripts reach them by name") {
    auto o = run_on_panel(R"(place altpreselector
place autopilot
cycles 1
click altpreselector-2 ALT
cycles 1
expect lamp altpreselector SEL on
expect lamp altpreselector-2 ALT on
)");
    INFO(o.timeline);
    INFO(o.errors);
    CHECK(o.result == bench::RUN_PASSED);
    CHECK(has(o.timeline, "panel test.cfg: window [Window00] 900x400\n"));
    CHECK(has(o.timeline, "      place altpreselector at 0,0 width 300\n"));
    CHECK(has(o.timeline, "      place altpreselector as altpreselector-2 at 300,0 width 300\n"));
    CHECK(has(o.timeline, "      other_gauges!clock at 620,10 width 100: another file's gauge, drawn as an empty box\n"));
    // The script's own place of a gauge the panel holds takes it; one it lacks is placed.
    CHECK(has(o.timeline, "  place altpreselector: on the panel already (test.cfg)\n"));
    CHECK(has(o.timeline, "  place autopilot\n"));
    CHECK(has(o.timeline, "click altpreselector-2 ALT at"));
}

TEST_CASE("on a panel, a gauge name is still placed once") {
    CHECK(parse_error_on_panel("place altpreselector\nplace altpreselector\n") ==
          "test.pbs:2: \"altpreselector\" is already on the panel (line 1); place another with "
          "`place altpreselector as NAME`");
    CHECK(parse_error_on_panel("place annunciator as altpreselector-2\n") ==
          "test.pbs:1: \"altpreselector-2\" is already on the panel (placed by test.cfg); place another with "
          "`place annunciator as NAME`");
    // The panel's name for a gauge is not taken for another gauge.
    CHECK(has(parse_error_on_panel("place autopilot as annunciator\n"), "already on the panel (placed by test.cfg)"));
    // Clicks and snapshots need no place of their own.
    CHECK(parse_error_on_panel("click altpreselector-2 DTA\nsnapshot w.png\n").empty());
    CHECK(benchtest::parse_error("click altpreselector-2 DTA\n") ==
          "test.pbs:1: unknown gauge \"altpreselector-2\" (on the panel: none)");
}

TEST_CASE("the window is drawn with each gauge at its place and size, other files' gauges as boxes") {
    auto h = host();
    panelhost::Gauge& pre = h->place("altpreselector");
    panelhost::Gauge& ann = h->place("annunciator");
    pre.update();
    ann.update();
    bench::PanelConfig panel = test_panel();
    const bench::Image window = bench::render_window(panel, {&pre, &pre, nullptr, &ann}, 1);
    REQUIRE(window.width == 900);
    REQUIRE(window.height == 400);

    // The annunciator at twice its face's width keeps its aspect: exactly its picture at scale 2.
    const bench::Image big = bench::render_gauge(ann, 2);
    for (int y = 0; y < 196; y += 3)
        for (int x = 0; x < 416; x += 7) REQUIRE(window.at(10 + x, 200 + y) == big.at(x, y));
    const uint32_t panel_colour = window.at(899, 399);
    CHECK(window.at(9, 200) == panel_colour);
    CHECK(window.at(10, 396) == panel_colour);
    CHECK(window.at(426, 200) == panel_colour);

    // The preselector at 300 units from a 213-pixel face: 300 x 141, the second copy beside the first.
    CHECK(window.at(0, 140) != panel_colour);
    CHECK(window.at(5, 141) == panel_colour);
    CHECK(window.at(599, 5) != panel_colour);
    CHECK(window.at(600, 5) == panel_colour);
    for (int y = 0; y < 141; y += 10)
        for (int x = 0; x < 300; x += 10) REQUIRE(window.at(x, y) == window.at(300 + x, y));

    // The clock of another file: a square box with an edge and its name written inside.
    const uint32_t edge = window.at(620, 10);
    CHECK(edge != panel_colour);
    CHECK(window.at(719, 109) == edge);
    CHECK(window.at(720, 110) == panel_colour);
    const uint32_t inside = window.at(625, 15);
    int lettered = 0;
    for (int y = 11; y < 109; ++y)
        for (int x = 621; x < 719; ++x) lettered += window.at(x, y) != inside && window.at(x, y) != edge;
    CHECK(lettered > 30);
}

TEST_CASE("a window in large units is drawn no larger than the longest side allowed, and cut at its edge") {
    auto h = host();
    panelhost::Gauge& ap = h->place("autopilot");
    ap.update();
    bench::PanelConfig panel =
        bench::parse_panel_config("[Window00]\nsize_mm=16384,8192\ngauge00=vmq_Tavok22ap!autopilot,16000,0,2000\n",
                                  "large.cfg");
    const bench::Image window = bench::render_window(panel, {&ap}, 2);
    CHECK(window.width == bench::WINDOW_MAX_PIXELS);
    CHECK(window.height == bench::WINDOW_MAX_PIXELS / 2);
    CHECK(window.at(4000, 10) != window.at(3999, 2000));  // the gauge's visible part, on the panel colour
}

TEST_CASE("a gauge far larger than its window costs the window's pixels: only its visible part is made") {
    auto h = host();
    panelhost::Gauge& ap = h->place("autopilot");
    ap.update();
    // A 1x1 window holding a gauge 16384 units wide: at scale 8 the whole
    // gauge would be 131072 pixels wide.
    bench::PanelConfig tiny =
        bench::parse_panel_config("[Window00]\nsize_mm=1,1\ngauge00=vmq_Tavok22ap!autopilot,0,0,16384\n", "tiny.cfg");
    const auto start = std::chrono::steady_clock::now();
    const bench::Image window = bench::render_window(tiny, {&ap}, 8);
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
    CHECK(window.width == 8);
    CHECK(window.height == 8);

    // A part is the whole's pixels there, wherever it is cut.
    const bench::Image face = bench::render_gauge(ap, 1);
    const bench::Image whole = bench::resized(face, 700, 170);
    const bench::Image part = bench::resized_part(face, 700, 170, {650, 100, 80, 100});
    REQUIRE(part.width == 50);
    REQUIRE(part.height == 70);
    for (int y = 0; y < part.height; y += 3)
        for (int x = 0; x < part.width; x += 3) REQUIRE(part.at(x, y) == whole.at(650 + x, 100 + y));
    // A gauge outside its window is not drawn at all.
    bench::PanelConfig beyond =
        bench::parse_panel_config("[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!autopilot,16000,16000,16384\n",
                                  "beyond.cfg");
    const bench::Image plain = bench::render_window(beyond, {&ap}, 8);
    CHECK(plain.at(0, 0) == plain.at(79, 79));
}

TEST_CASE("a label is cut before it is drawn") {
    auto h = host();
    const std::string long_name(1 << 20, 'W');
    bench::PanelConfig panel = bench::parse_panel_config(
        "[Window00]\nsize_mm=200,200\ngauge00=" + long_name + "!Clock,0,0,200\n", "label.cfg");
    const auto start = std::chrono::steady_clock::now();
    const bench::Image window = bench::render_window(panel, {nullptr}, 1);
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    CHECK(window.width == 200);
}

TEST_CASE("resizing takes the mean of the pixels each new pixel covers") {
    bench::Image picture(4, 2, 0xFF0000);
    picture.fill(2, 0, 2, 2, 0x00FF00);
    bench::Image half = bench::resized(picture, 2, 1);
    CHECK(half.at(0, 0) == 0xFF0000);
    CHECK(half.at(1, 0) == 0x00FF00);
    CHECK(bench::resized(picture, 1, 1).at(0, 0) == 0x808000);
    // Three to two: the middle pixel is shared by both halves.
    bench::Image three(3, 1, 0x000000);
    three.fill(1, 0, 1, 1, 0x0000FF);
    bench::Image two = bench::resized(three, 2, 1);
    CHECK(two.at(0, 0) == 0x000055);
    CHECK(two.at(1, 0) == 0x000055);
    // Growing repeats pixels.
    CHECK(bench::resized(picture, 8, 4).at(3, 3) == 0xFF0000);
    CHECK(bench::resized(picture, 8, 4).at(4, 0) == 0x00FF00);
}

TEST_CASE("a run's window snapshot is the configuration's window, and says which gauges it leaves out") {
    namespace fs = std::filesystem;
    fs::remove(benchtest::out_dir + "/on-panel/window.png");
    auto o = run_on_panel("place autopilot\ncycles 1\nsnapshot on-panel/window.png\n");
    INFO(o.timeline);
    INFO(o.errors);
    REQUIRE(o.result == bench::RUN_PASSED);
    CHECK(has(o.timeline, "on-panel/window.png (not in the window, so not drawn: autopilot)\n"));
    CHECK(fs::exists(benchtest::out_dir + "/on-panel/window.png"));
}

TEST_CASE("a virtual cockpit on its colour; other files' gauges beneath ours, see-through, or as markers") {
    auto h = host();
    panelhost::Gauge& vc = h->place("vcaltpreselector");
    vc.update();
    bench::PanelConfig panel = bench::parse_panel_config(
        "[VCockpit01]\npixel_size=400,200\nbackground_color=0,0,200\n"
        "gauge00=Other!lights, 0, 0, 400, 200, NIGHT\n"       // the whole texture, beneath
        "gauge01=vmq_Tavok22ap!vcaltpreselector, -50, 10, 213\n"  // partly outside
        "gauge02=Radio!Audio, 380, 180\n",                   // no size: a marker
        "vc.cfg");
    REQUIRE(panel.gauges.size() == 3);
    const bench::Image texture = bench::render_window(panel, {nullptr, &vc, nullptr}, 1);
    REQUIRE(texture.width == 400);
    REQUIRE(texture.height == 200);
    // The covering box lets the colour through, tinted; its edge is drawn.
    const uint32_t seen = texture.at(300, 150);
    CHECK(seen != 0x0000C8);
    CHECK((seen & 0xFF) > (seen >> 16 & 0xFF));  // still blue beneath the box's grey
    CHECK(texture.at(0, 100) != seen);
    // Our gauge on top of it, at its face's own pixels, cut at the left edge.
    const bench::Image face = bench::render_gauge(vc, 1);
    for (int y = 0; y < 100; y += 5)
        for (int x = 0; x < 160; x += 5) REQUIRE(texture.at(x, 10 + y) == face.at(50 + x, y));
    // The marker: its edge at its place, inside the texture.
    CHECK(texture.at(380, 180) == texture.at(395, 195));
    CHECK(texture.at(380, 180) != seen);
    // Without the box, the texture's own colour shows where nothing is drawn.
    bench::PanelConfig bare = bench::parse_panel_config("[VCockpit01]\npixel_size=40,20\nbackground_color=0,0,200\n", "vc.cfg");
    CHECK(bench::render_window(bare, {}, 1).at(20, 10) == 0x0000C8);
}
