// The engine's words in the records (gauge headers past the service
// callback, the run-time words of element headers, the spare words of
// icons, strings and their source variables) hold the engine's working data,
// written at any time between calls. The module never reads them: one
// scripted flight of all five gauges (every callback, click area and service
// id, over states from rest to values no simulator sends) gives the same
// lamp answers, texts, key events, lookups and chimes with those words 0 as
// with the host's working-words mode writing them before every call.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "module/tokens.h"
#include "tests/support.h"

using panelhost::Gauge;
using panelhost::WorkingRun;

namespace {

const char* const GAUGE_NAMES[] = {"altpreselector", "vcaltpreselector", "altpreselectornosnd", "autopilot",
                                   "annunciator"};
const int32_t SERVICE_IDS[] = {2, 6, 10, 0, 1, 3, 4, 5, 7, 8, 9, 11, 12, -1, -6, INT_MIN, INT_MAX};
const uint32_t TOKENS[] = {TOKEN_VERTICAL_SPEED, TOKEN_ALTITUDE, TOKEN_BARO,  TOKEN_AP_MASTER, TOKEN_AP_NAV,
                           TOKEN_AP_HDG,         TOKEN_AP_ALT,   TOKEN_AP_ALT_REF, TOKEN_AP_GS,  TOKEN_AP_APR,
                           TOKEN_AP_REV,         TOKEN_AP_VS,    TOKEN_AP_VS_REF,  TOKEN_AP_FD,  TOKEN_AP_GPSS};
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// A state of the flight: the tokens it changes from the one before (every
// token, where `all` is set).
struct State {
    const char* name;
    std::vector<std::pair<uint32_t, double>> tokens;
    bool all = false;
    double value = 0.0;
};

const State FLIGHT[] = {
    {"at rest", {}},
    {"engaged, climbing to the reference",
     {{TOKEN_AP_MASTER, 1}, {TOKEN_ALTITUDE, 4500}, {TOKEN_AP_ALT_REF, 7000}, {TOKEN_AP_VS_REF, 500},
      {TOKEN_VERTICAL_SPEED, 650.24}, {TOKEN_BARO, 29.92}, {TOKEN_AP_VS, 1}, {TOKEN_AP_HDG, 1}, {TOKEN_AP_FD, 1}}},
    {"a thousand feet below", {{TOKEN_ALTITUDE, 6000}}},
    {"two hundred feet below", {{TOKEN_ALTITUDE, 6800}}},
    {"level at the reference", {{TOKEN_ALTITUDE, 7000}, {TOKEN_VERTICAL_SPEED, 0}, {TOKEN_AP_VS, 0}, {TOKEN_AP_ALT, 1}}},
    {"drifting off it", {{TOKEN_ALTITUDE, 7350}}},
    {"descending on the approach",
     {{TOKEN_ALTITUDE, 300}, {TOKEN_VERTICAL_SPEED, -650.24}, {TOKEN_AP_APR, 1}, {TOKEN_AP_GS, 1}, {TOKEN_AP_NAV, 1},
      {TOKEN_AP_REV, 1}, {TOKEN_AP_GPSS, 1}, {TOKEN_AP_ALT, 0}}},
    {"below the decision height", {{TOKEN_ALTITUDE, 150}}},
    {"every token NaN", {}, true, NaN},
    {"every token infinite", {}, true, INF},
    {"every token -1e300", {}, true, -1e300},
    {"every token 65537", {}, true, 65537},
    {"every token 2^31", {}, true, 2147483648.0},
    {"every token 1", {}, true, 1},
};

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// One line of what the module gave back since the last line: every gauge's
// answers and texts as the last cycle left them, then the key events, the
// lookups (by record, token and value), the chimes and any trap calls.
struct Recorder {
    panelhost::Host& host;
    std::vector<Gauge*>& gauges;
    std::vector<std::string> lines;

    void cycle_all() {
        for (Gauge* gauge : gauges) gauge->cycle();
    }

    void note(const std::string& step) {
        std::string line = step + ":";
        for (Gauge* gauge : gauges) {
            line += " " + gauge->name() + " [";
            for (size_t i = 0; i < gauge->children().size(); ++i) {
                line += " " + number(gauge->answer(i));
                if (gauge->children()[i]->element_type == ELEMENT_TYPE_STRING)
                    line += " \"" + std::string(gauge->text(i)) + "\"";
            }
            line += " ]";
        }
        line += " events";
        for (const panelhost::KeyEvent& e : host.events())
            line += " " + std::to_string(e.event) + "=" + std::to_string(e.value) + (e.from_area ? "(area)" : "");
        // Records by their place in the module, which is the same in every load.
        const char* base = reinterpret_cast<const char*>(host.linkage());
        line += " lookups";
        for (const panelhost::Lookup& l : host.lookups())
            line += " " + std::to_string(reinterpret_cast<const char*>(l.record) - base) + ":" +
                    std::to_string(l.token) + "=" + number(l.value);
        line += " chimes " + std::to_string(host.sound().plays());
        for (const panelhost::TrapCall& trap : host.take_traps()) line += " TRAP " + trap.text();
        host.clear_logs();
        lines.push_back(std::move(line));
    }
};

// The engine's words of every gauge, as they stand.
std::vector<unsigned char> engine_words(panelhost::Host& host) {
    std::vector<unsigned char> bytes;
    for (GAUGEHDR* header : host.gauge_table())
        panelhost::for_each_working_run(header, [&](const WorkingRun& run) {
            auto* at = static_cast<const unsigned char*>(run.at);
            bytes.insert(bytes.end(), at, at + run.bytes);
        });
    return bytes;
}

// Where an engine word is not 0: "autopilot element 3 word 9", or "".
std::string first_nonzero_word(panelhost::Host& host) {
    std::string found;
    for (GAUGEHDR* header : host.gauge_table())
        panelhost::for_each_working_run(header, [&](const WorkingRun& run) {
            for (size_t b = 0; b < run.bytes && found.empty(); ++b)
                if (static_cast<const unsigned char*>(run.at)[b])
                    found = std::string(header->name) + " element " + std::to_string(run.element) + " word " +
                            std::to_string(run.word + b * run.words / run.bytes);
        });
    return found;
}

// The whole flight on a freshly loaded module.
std::vector<std::string> fly(bool working_words) {
    panelhost::HostOptions options = test::options();
    options.scribble_working_words = working_words;
    test::HostPtr host(new panelhost::Host(test::module_path, options));
    host->on_event = [&](const panelhost::KeyEvent& e) {
        if (e.event == evt_alt_ref_set) host->set_token(TOKEN_AP_ALT_REF, e.value);
        if (e.event == evt_vs_ref_set) host->set_token(TOKEN_AP_VS_REF, e.value);
    };
    std::vector<Gauge*> gauges;
    for (const char* name : GAUGE_NAMES) gauges.push_back(&host->place(name));
    Recorder record{*host, gauges, {}};
    record.note("placed");

    for (const State& state : FLIGHT) {
        if (state.all)
            for (uint32_t token : TOKENS) host->set_token(token, state.value);
        for (const auto& [token, value] : state.tokens) host->set_token(token, value);
        std::string at = state.name;
        for (Gauge* gauge : gauges) {
            for (int32_t id : SERVICE_IDS) gauge->service(id, 0xFFFFFFFFu);
            record.cycle_all();
            record.note(at + ", " + gauge->name() + " every service id");
        }
        for (Gauge* gauge : gauges)
            for (size_t a = 0; a < gauge->areas().size(); ++a) {
                const MOUSERECT* area = gauge->areas()[a];
                REQUIRE(gauge->click(area->x + area->width / 2, area->y + area->height / 2) == int(a));
                record.cycle_all();
                record.note(at + ", " + gauge->name() + " area " + std::to_string(a + 1));
            }
    }
    // The module wrote none of them.
    if (!working_words) CHECK(first_nonzero_word(*host) == "");
    return record.lines;
}

}  // namespace

TEST_CASE("the working-words mode writes every engine word before each call, never 0, and only when asked") {
    SUBCASE("asked") {
        panelhost::HostOptions options = test::options();
        options.scribble_working_words = true;
        test::HostPtr host(new panelhost::Host(test::module_path, options));
        Gauge& autopilot = host->place("autopilot");
        std::vector<unsigned char> before = engine_words(*host);
        autopilot.cycle();
        std::vector<unsigned char> after = engine_words(*host);
        REQUIRE(before.size() == after.size());
        REQUIRE(before.size() % 4 == 0);
        for (size_t at = 0; at < after.size(); at += 4) {
            CAPTURE(at);
            uint32_t was, now;
            std::memcpy(&was, &before[at], 4);
            std::memcpy(&now, &after[at], 4);
            CHECK(now != 0);
            CHECK(now != was);
        }
        // Every gauge of the table, placed or not: its header, its face and
        // every child of the face.
        size_t headers = 0, elements = 0, expected = 0;
        for (GAUGEHDR* header : host->gauge_table()) {
            panelhost::for_each_working_run(header, [&](const WorkingRun& run) {
                headers += run.element == -1 && run.word == 22;
                elements += run.element >= 0 && run.word == 4;
            });
            expected += 1;
            for (ELEMENT_HEADER** next = header->element_list[0]->next_element; *next; ++next) ++expected;
        }
        CHECK(headers == 5);
        CHECK(elements == expected);
        // The records the module gave stay as they were: the host still
        // walks them, and a click on the VS knob still steps the reference.
        const MOUSERECT* knob_inc = autopilot.areas().back();
        autopilot.click(knob_inc->x + knob_inc->width / 2, knob_inc->y + knob_inc->height / 2);
        REQUIRE(host->events().size() == 1);
        CHECK(host->events()[0].event == evt_vs_ref_set);
    }
    SUBCASE("not asked") {
        auto host = test::load();
        for (const char* name : GAUGE_NAMES) host->place(name).cycle();
        CHECK(first_nonzero_word(*host) == "");
    }
}

TEST_CASE("a flight of all five gauges gives the same results with the engine's working data in its words") {
    std::vector<std::string> clean = fly(false);
    std::vector<std::string> working = fly(true);
    CHECK(clean.size() == 1 + std::size(FLIGHT) * (5 + 29));
    REQUIRE(working.size() == clean.size());
    for (size_t i = 0; i < clean.size(); ++i) {
        if (working[i] == clean[i]) continue;
        INFO("with the words 0:        " << clean[i]);
        INFO("with the working data:   " << working[i]);
        FAIL("step " << i << " differs");
    }
    // The flight went somewhere: references sent, chimes played.
    CHECK(clean.back().find(" chimes 0") == std::string::npos);
}
