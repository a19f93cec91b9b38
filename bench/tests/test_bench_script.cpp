// Reading scenario scripts: what each command becomes, and the message a
// bad line gets (always the file, the line and what is wrong).
#include "bench/tests/bench_support.h"

#include "bench/common/catalogue.h"
#include "host/host.h"

#include <string>
#include <vector>

using bench::Op;
using benchtest::parse_error;

TEST_CASE("split_words keeps quoted texts whole and drops comments") {
    auto words = bench::split_words(R"(expect text a b " 1.0 # not a comment" # a comment)");
    REQUIRE(words.size() == 5);
    CHECK(words[4].text == " 1.0 # not a comment");
    CHECK(words[4].quoted);
    CHECK_FALSE(words[3].quoted);
    CHECK(bench::split_words(R"("say \"hi\" \\ there")")[0].text == R"(say "hi" \ there)");
    CHECK(bench::split_words(R"("")")[0].text.empty());
    CHECK(bench::split_words("   # only a comment").empty());
    CHECK_THROWS_AS(bench::split_words(R"(note "open)"), std::invalid_argument);
    CHECK_THROWS_AS(bench::split_words(R"(note "a"b)"), std::invalid_argument);
    CHECK_THROWS_AS(bench::split_words(R"(note a"b")"), std::invalid_argument);
}

TEST_CASE("every command parses into what it names") {
    const std::string text = R"(# a scenario
place altpreselector
place altpreselector as second   # a second instance
place autopilot

set ap_master 1
set 74 2500.5
click altpreselector knob-pull
click autopilot knob-dec x3
click second 12,-4
cycles 18
fly 2.5
expect lamp second alr off
expect text altpreselector altitude " 0.9"
expect event evt_alt_ref_set -500
expect event 65798
expect no event
expect no event evt_vs_step_up
expect chimes 2
expect token altitude 4000 within 0.5
snapshot pics/a.png
snapshot b.png autopilot
sound next play 0
note climbing   now
)";
    bench::Script s = bench::parse_script(text, "test.pbs");
    REQUIRE(s.commands.size() == 22);
    const auto& c = s.commands;

    CHECK(c[0].op == Op::Place);
    CHECK(c[0].line == 2);
    CHECK(c[1].gauge == "second");
    CHECK(c[1].gauge_name == "altpreselector");
    CHECK(c[1].source == "place altpreselector as second");

    CHECK(c[3].token == 103);
    CHECK(c[3].value == 1.0);
    CHECK(c[4].token == 74);
    CHECK(c[4].value == 2500.5);

    CHECK(c[5].control == 9);  // the tenth child area of the preselector's list
    CHECK(c[6].control == 7);
    CHECK(c[6].repeat == 3);
    CHECK(c[7].control == -1);
    CHECK(c[7].x == 12);
    CHECK(c[7].y == -4);
    CHECK(c[7].gauge_name == "altpreselector");

    CHECK(c[8].count == 18);
    CHECK(c[9].op == Op::Fly);
    CHECK(c[9].count == 45);

    CHECK(c[10].op == Op::ExpectLamp);
    CHECK(std::string(c[10].instrument->legends[size_t(c[10].legend)].name) == "ALR");
    CHECK_FALSE(c[10].on);
    CHECK(c[11].text == " 0.9");
    CHECK(c[12].event == 66124);
    CHECK(c[12].has_value);
    CHECK(c[12].event_value == -500);
    CHECK(c[13].event == 65798);
    CHECK_FALSE(c[13].has_value);
    CHECK(c[14].op == Op::ExpectNoEvent);
    CHECK(c[14].event == 0);
    CHECK(c[15].event == 65894);
    CHECK(c[16].count == 2);
    CHECK(c[17].tolerance == 0.5);

    CHECK(c[18].path == "pics/a.png");
    CHECK(c[18].gauge == "panel");
    CHECK(c[19].gauge == "autopilot");
    CHECK(c[20].sound_op == 7);
    CHECK(c[20].sound_result == 0);
    CHECK(c[21].text == "climbing now");
}

TEST_CASE("a bad line is refused with its file, line and fault") {
    struct Case {
        const char* script;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"place autopilot\nwait 3", "test.pbs:2: unknown command \"wait\""},
        {"place radar", "test.pbs:1: unknown gauge \"radar\" (the module's gauges: altpreselector, "},
        {"cycles 1\nclick autopilot ALT", "test.pbs:2: gauge \"autopilot\" is not on the panel yet"},
        {"place autopilot\nclick autopilot SPD",
         "test.pbs:2: unknown control \"SPD\" on \"autopilot\" (its controls: HDG,"},
        {"place annunciator\nclick annunciator HDG",
         "test.pbs:2: \"annunciator\" has no controls; click it at a point X,Y"},
        {"set airspeed 100", "test.pbs:1: unknown token \"airspeed\" (the module reads: vertical_speed (65, ft/min), altitude (74, ft),"},
        {"set 999 1", "test.pbs:1: unknown token \"999\""},
        {"set altitude high", "test.pbs:1: a token value \"high\" is not a number"},
        {"set altitude", "test.pbs:1: missing a token value after \"altitude\""},
        {"place autopilot\nexpect lamp autopilot ENT on", "test.pbs:2: unknown legend \"ENT\" on \"autopilot\""},
        {"place autopilot\nexpect lamp autopilot HDG lit", "test.pbs:2: expected on or off, found \"lit\""},
        {"place autopilot\nexpect text autopilot altitude \"1\"", "test.pbs:2: unknown read-out \"altitude\""},
        {"place autopilot\nexpect text autopilot vs +1", "test.pbs:2: the expected text must be in double quotes"},
        {"expect event evt_gear_down", "test.pbs:1: unknown key event \"evt_gear_down\""},
        {"expect event 66124 lots", "test.pbs:1: the event value \"lots\" is not a whole number"},
        {"expect event 66124 3000000000", "test.pbs:1: the event value 3000000000 is out of range"},
        {"expect colour red", "test.pbs:1: unknown expectation \"colour\""},
        {"cycles -1", "test.pbs:1: the number of cycles -1 is out of range"},
        {"cycles 2.5", "test.pbs:1: the number of cycles \"2.5\" is not a whole number"},
        {"fly -3", "test.pbs:1: the flight time must be between 0 and 86400 seconds"},
        {"fly nan", "test.pbs:1: the flight time must be between"},
        {"cycles 1 2", "test.pbs:1: unexpected \"2\" at the end of the line"},
        {"place autopilot\nplace autopilot", "test.pbs:2: \"autopilot\" is already on the panel (line 1)"},
        {"place autopilot as panel", "test.pbs:1: \"panel\" names the whole panel"},
        {"place autopilot\nclick autopilot HDG x0", "test.pbs:2: the repeat count 0 is out of range"},
        {"place autopilot\nclick autopilot HDG twice", "test.pbs:2: expected a repeat count xN"},
        {"place autopilot\nsnapshot a.jpg", "test.pbs:2: snapshot file \"a.jpg\" must end in .png"},
        {"place autopilot\nsnapshot /tmp/a.png", "must be a path inside the output folder"},
        {"place autopilot\nsnapshot ../a.png", "must stay inside the output folder"},
        {"place autopilot\nsnapshot a//b.png", "must stay inside the output folder"},
        {"snapshot a.png", "test.pbs:1: nothing is on the panel yet"},
        {"sound next stop 1", "test.pbs:1: expected load or play after `sound next`"},
        {"note ok\n\n  expect text x y \"open", "test.pbs:3: a quoted text has no closing quote"},
        {"", "test.pbs: the script holds no commands"},
        {"# nothing but a comment\n\n", "test.pbs: the script holds no commands"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.script);
        std::string error = parse_error(c.script);
        INFO(error);
        CHECK(error.find(c.message) != std::string::npos);
    }
    CHECK(parse_error(std::string("note a\nnote \0b", 14)).find("test.pbs:2: the line holds a NUL byte") == 0);
}

TEST_CASE("names are found whatever their case, numbers only when the module uses them") {
    CHECK(bench::find_token("AP_ALT_REF") == 109u);
    CHECK(bench::find_token("109") == 109u);
    CHECK_FALSE(bench::find_token("110"));
    CHECK_FALSE(bench::find_token("-74"));
    CHECK(bench::find_event("EVT_VS_STEP_DOWN") == 65895u);
    CHECK_FALSE(bench::find_event("66125"));
    const bench::Instrument& presel = *bench::instrument_of("vcaltpreselector");
    CHECK(bench::find_control(presel, "Knob-Inc") == 8);
    CHECK(bench::find_legend(presel, "baro") == 2);
    CHECK(bench::instrument_of("AUTOPILOT") == nullptr);
}

TEST_CASE("the bench's gauges are the module's gauge table, each of the kind its face shows") {
    panelhost::HostOptions o;
    o.sound = false;
    std::vector<std::string> table;
    {
        panelhost::Host host(benchtest::module_path, o);
        for (const GAUGEHDR* header : host.gauge_table()) table.push_back(header->name);
    }
    CHECK(bench::gauge_names() == table);
    for (const std::string& name : table) {
        INFO(name);
        CHECK(bench::instrument_of(name) != nullptr);
    }
    const bench::Instrument& presel = *bench::instrument_of("altpreselector");
    CHECK(bench::instrument_of("vcaltpreselector") == &presel);
    CHECK(bench::instrument_of("altpreselectornosnd") == &presel);
    CHECK(bench::instrument_of("autopilot") != &presel);
    // The virtual-cockpit rendition shows the same face without any areas:
    // controls are found on the first gauge of the kind that has them.
    CHECK(bench::clickable_gauge(presel) == "altpreselector");
    CHECK(bench::clickable_gauge(*bench::instrument_of("autopilot")) == "autopilot");
    CHECK(bench::clickable_gauge(*bench::instrument_of("annunciator")).empty());
    CHECK(bench::instrument_of("altpreselector ") == nullptr);
}

TEST_CASE("a missing script file, or a folder in its place, is named") {
    CHECK_THROWS_WITH_AS(bench::load_script("no/such/file.pbs"), "no/such/file.pbs: cannot open the script file",
                         bench::BenchError);
    CHECK_THROWS_WITH_AS(bench::load_script("."), ".: cannot open the script file: it is a folder", bench::BenchError);
}
