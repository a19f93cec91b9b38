// Running scenarios: the timeline, the expectations and their failures,
// and what a run leaves behind.
#include "bench/tests/bench_support.h"

#include <filesystem>

using benchtest::run;

using test::has;

TEST_CASE("the timeline shows clicks, key events, lamps, read-outs and chimes as they happen") {
    auto o = run(R"(place altpreselector
place autopilot
set altitude 2500
set ap_alt_ref 3000
cycles 1
click altpreselector ALT
click altpreselector knob-inc
cycles 1
click altpreselector DTA
click altpreselector ALR
cycles 3
click autopilot HDG
)");
    INFO(o.timeline);
    INFO(o.errors);
    CHECK(o.result == bench::RUN_PASSED);
    CHECK(has(o.timeline, "     0.00s      sound load \"Sound\\dingdong.wav\" -> 1\n"));
    CHECK(has(o.timeline, "     0.06s      lamp altpreselector ENT on\n"));
    CHECK(has(o.timeline, "     0.06s      text autopilot vs \"+0\"\n"));
    CHECK(has(o.timeline,
              "     0.06s  click altpreselector knob-inc at 207,45\n"
              "     0.06s      event evt_alt_ref_set (66124) 4000\n"));
    CHECK(has(o.timeline, "     0.11s      text altpreselector altitude \" 4.0\"\n"));
    CHECK(has(o.timeline, "lamp altpreselector ALR on\n"));
    CHECK(has(o.timeline, "chime 1 (sound library play -> 1)\n"));
    CHECK(has(o.timeline, "chime 2 (sound library play -> 1)\n"));
    CHECK(has(o.timeline, "event evt_hdg_button (65798) 0 (mouse area)\n"));
    CHECK(has(o.timeline, "passed: test.pbs, 0.28 s simulated, 2 chimes, 0 snapshots written\n"));
    // A lamp dark from the start is not reported as a change.
    CHECK_FALSE(has(o.timeline, "lamp autopilot HDG off"));
}

TEST_CASE("vertical speed is read and written in ft/min by name, in the module's 1/256 m/s by number") {
    auto o = run(R"(place autopilot
set altitude 5000
set vertical_speed -700
cycles 1
expect text autopilot vs "-7"
expect token vertical_speed -700
expect token 65 -910.336 within 0.000001
set 65 1300.48
expect token vertical_speed 1000 within 0.000001
expect token vertical_speed 999
)");
    INFO(o.timeline);
    CHECK(o.result == bench::RUN_EXPECTATION_FAILED);
    CHECK(has(o.timeline, "  set vertical_speed -700\n"));
    CHECK(has(o.timeline, "  set 65 1300.48\n"));
    CHECK(o.errors == "test.pbs:10: expect token vertical_speed 999: token 65 (vertical_speed) is 1000 ft/min, not "
                      "999 ft/min\n");
}

TEST_CASE("without flight the panel shows the tokens exactly as set, as render draws them") {
    const std::string script = R"(place autopilot
set altitude 0
set vertical_speed -1300
cycles 1
expect text autopilot vs "-13"
expect token vertical_speed -1300
)";
    bench::RunOptions still = benchtest::options();
    still.fly = false;
    auto held = run(script, still);
    INFO(held.errors);
    CHECK(held.result == bench::RUN_PASSED);
    // Flying, the aircraft on the ground stops the descent: what render showed before.
    auto flown = run(script);
    CHECK(flown.result == bench::RUN_EXPECTATION_FAILED);
    CHECK(has(flown.errors, "the vs read-out shows \"+0\""));
}

TEST_CASE("one change on several renditions of one instrument is one timeline line naming them all") {
    auto o = run(R"(place altpreselector
place autopilot
place vcaltpreselector
place altpreselectornosnd
set baro 29.92
set ap_alt_ref 3000
cycles 1
click altpreselector ALT
cycles 1
click autopilot knob-inc
cycles 1
)");
    INFO(o.timeline);
    CHECK(o.result == bench::RUN_PASSED);
    CHECK(has(o.timeline, "     0.06s      lamp altpreselector, vcaltpreselector, altpreselectornosnd ENT on\n"));
    CHECK(has(o.timeline, "     0.11s      lamp altpreselector, vcaltpreselector, altpreselectornosnd ALT on\n"));
    CHECK(has(o.timeline, "     0.17s      text altpreselector, vcaltpreselector, altpreselectornosnd vs \"+1\"\n"));
    // What only one rendition shows stays its own line: the baro read-out is not on the display-only one.
    CHECK(has(o.timeline, "     0.06s      text altpreselector, altpreselectornosnd altitude \"29.9\"\n"));
    CHECK(has(o.timeline, "     0.06s      text vcaltpreselector altitude \" 3.0\"\n"));
    // The autopilot's read-out of the same name is another instrument's.
    CHECK(has(o.timeline, "     0.06s      text autopilot vs \"+0\"\n"));
}

TEST_CASE("a failed expectation names file, line and what differed, and the run stops there") {
    namespace fs = std::filesystem;
    fs::remove_all(benchtest::out_dir + "/stops");
    auto o = run(R"(place altpreselector
cycles 1
snapshot stops/before.png
expect lamp altpreselector BARO off
snapshot stops/after.png
)");
    CHECK(o.result == bench::RUN_EXPECTATION_FAILED);
    CHECK(o.errors == "test.pbs:4: expect lamp altpreselector BARO off: the BARO lamp is on (callback answered 0)\n");
    CHECK(has(o.timeline, "FAILED: test.pbs:4 (after 0.06 s simulated; 1 snapshot written to " + benchtest::out_dir +
                              " before the failure)"));
    CHECK(fs::exists(benchtest::out_dir + "/stops/before.png"));
    CHECK_FALSE(fs::exists(benchtest::out_dir + "/stops/after.png"));
}

TEST_CASE("each kind of expectation reports the value it found") {
    struct Case {
        const char* script;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"place autopilot\ncycles 1\nexpect text autopilot vs \"+1\"",
         "test.pbs:3: expect text autopilot vs \"+1\": the vs read-out shows \"+0\"\n"},
        {"place autopilot\nclick autopilot VS\nexpect event evt_vs_ref_set 200",
         "test.pbs:3: expect event evt_vs_ref_set 200: expected evt_vs_ref_set (66036) 200; line 2 (click autopilot "
         "VS) "
         "sent: evt_vs_ref_set (66036) 100, evt_alt_ref_set (66124) 0, evt_vertical_engage_a (66115) 0, "
         "evt_vertical_engage_b (66103) 0\n"},
        {"place autopilot\nclick autopilot VS\ncycles 1\nexpect event evt_vs_ref_set",
         "test.pbs:4: expect event evt_vs_ref_set: expected evt_vs_ref_set (66036); line 3 (cycles 1) sent no key "
         "event\n"},
        {"place autopilot\nclick autopilot ALT\nexpect no event evt_vertical_engage_b",
         "test.pbs:3: expect no event evt_vertical_engage_b: expected no evt_vertical_engage_b (66103); line 2 (click "
         "autopilot ALT) sent: "},
        {"place altpreselector\nexpect chimes 1",
         "test.pbs:2: expect chimes 1: 1 chime expected since the start, 0 played\n"},
        {"set altitude 12.5\nexpect token altitude 12 within 0.25",
         "test.pbs:2: expect token altitude 12 within 0.25: token 74 (altitude) is 12.5 ft, not 12 ft within 0.25\n"},
        {"place altpreselector\nexpect lamp altpreselector ENT on",
         "the ENT lamp is off (callback answered -1) (no panel cycle has run since the gauge was placed: add `cycles "
         "1`)"},
        {"place altpreselector\ncycles 1\nclick altpreselector DTA\nexpect lamp altpreselector ENT off",
         "the ENT lamp is on (callback answered 0) (no panel cycle has run since line 3: add `cycles 1` to see its "
         "effect)"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.script);
        auto o = run(c.script);
        INFO(o.errors);
        CHECK(o.result == bench::RUN_EXPECTATION_FAILED);
        CHECK(has(o.errors, c.error));
    }
}

TEST_CASE(
    "clicks by name reach the control's area; a click between areas or on the display-only rendition does nothing") {
    auto o = run(R"(place autopilot
place vcaltpreselector
click autopilot ARM
expect no event
click autopilot 333,86
expect no event
click autopilot 452,89
expect no event
click autopilot knob-inc
expect event evt_vs_ref_set 100
click vcaltpreselector DTA
click vcaltpreselector 195,45
cycles 1
expect lamp vcaltpreselector ENT on
expect no event
)");
    INFO(o.timeline);
    INFO(o.errors);
    CHECK(o.result == bench::RUN_PASSED);
    // ARM with an altitude reference of 0 is refused by the module, silently.
    CHECK(has(o.timeline, "click autopilot ARM at 344,86\n     0.00s  click autopilot at 333,86\n"));
    CHECK(has(o.timeline, "click autopilot at 333,86\n     0.00s      no mouse area there: nothing happens\n"));
    CHECK(
        has(o.timeline, "click vcaltpreselector DTA at 19,34\n     0.00s      no mouse area there: nothing happens\n"));
}

TEST_CASE("the sound library's answers can be scripted, and a failed play shows in the timeline") {
    auto o = run(R"(place altpreselector
set altitude 500
set ap_alt_ref 3000
click altpreselector DTA
click altpreselector ALR
sound next play 0
cycles 2
expect chimes 1
)");
    INFO(o.timeline);
    INFO(o.errors);
    CHECK(o.result == bench::RUN_PASSED);
    // The failed play is followed by a reload and a second play.
    CHECK(has(o.timeline,
              "     0.11s      chime not played (sound library play -> 0)\n"
              "     0.11s      sound load \"Sound\\dingdong.wav\" -> 1\n"
              "     0.11s      chime 1 (sound library play -> 1)\n"));
}

TEST_CASE("a module that cannot be loaded ends the run with an error naming it") {
    bench::RunOptions o = benchtest::options();
    o.module_path = benchtest::out_dir + "/no-such-module.so";
    auto outcome = run("place autopilot\n", o);
    CHECK(outcome.result == bench::RUN_ERROR);
    INFO(outcome.errors);
    CHECK(has(outcome.errors, "test.pbs: cannot load"));
    CHECK(has(outcome.errors, "no-such-module.so"));
}

TEST_CASE("snapshots can be passed over, and the summary says so") {
    bench::RunOptions o = benchtest::options();
    o.snapshots = false;
    auto outcome = run("place annunciator\ncycles 1\nsnapshot skipped.png\n", o);
    CHECK(outcome.result == bench::RUN_PASSED);
    CHECK(has(outcome.timeline, "snapshot skipped.png: passed over (no snapshots in this run)"));
    CHECK(has(outcome.timeline, "0 snapshots written, 1 passed over (no snapshots in this run)"));
    CHECK_FALSE(std::filesystem::exists(benchtest::out_dir + "/skipped.png"));
}
