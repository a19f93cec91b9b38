// The PANELS table as the engine lays it out: the module reaches each of its
// services at the engine's word for it and touches no other word, and the
// host's traps catch any call of another word and return safely to the
// caller of the module, whatever the call pushed.
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "module/tokens.h"
#include "tests/support.h"

using panelhost::CallSite;
using panelhost::Host;
using panelhost::PANELS_TABLE_WORDS;
using panelhost::TrapCall;

namespace {

const uint32_t TOKENS[] = {TOKEN_VERTICAL_SPEED, TOKEN_ALTITUDE, TOKEN_BARO,  TOKEN_AP_MASTER, TOKEN_AP_NAV,
                           TOKEN_AP_HDG,         TOKEN_AP_ALT,   TOKEN_AP_ALT_REF, TOKEN_AP_GS,  TOKEN_AP_APR,
                           TOKEN_AP_REV,         TOKEN_AP_VS,    TOKEN_AP_VS_REF,  TOKEN_AP_FD,  TOKEN_AP_GPSS};

// Calls a word as a module would call whatever service it took the word
// for: with 0 to 3 arguments, the callee to remove them.
int32_t call_word(PANELS_WORD word, int arguments) {
    switch (arguments) {
    case 0: return reinterpret_cast<int32_t(MODULE_CALL*)()>(word)();
    case 1: return reinterpret_cast<int32_t(MODULE_CALL*)(uint32_t)>(word)(1);
    case 2: return reinterpret_cast<int32_t(MODULE_CALL*)(uint32_t, uint32_t)>(word)(1, 2);
    default: return reinterpret_cast<int32_t(MODULE_CALL*)(uint32_t, uint32_t, double)>(word)(1, 2, 3.0);
    }
}

// A copy of the host's table with the service at `word` replaced by that
// word's trap.
panelhost::PanelsTable without_service(size_t word) {
    panelhost::PanelsTable table = Host::table();
    panelhost::set_panels_word(table, word, panelhost::trap_word(word));
    return table;
}

}  // namespace

TEST_CASE("the host's table holds the nine services at their words and a trap in every other") {
    auto host = test::load();
    const panelhost::PanelsTable& table = Host::table();
    CHECK(PANELS_TABLE_WORDS >= 96);
    int services = 0;
    for (size_t word = 0; word < PANELS_TABLE_WORDS; ++word) {
        CAPTURE(word);
        PANELS_WORD entry = panelhost::panels_word(table, word);
        REQUIRE(entry != 0);
        if (panelhost::is_service_word(word)) {
            ++services;
            CHECK(entry != panelhost::trap_word(word));
            continue;
        }
        // Whatever a caller pushed, the trap brings control back to the
        // guard with the stack as it was: this loop goes on and the checks
        // after it still hold.
        int32_t result = -7;
        bool completed = host->guarded(CallSite{"test call of word", nullptr, int64_t(word)},
                                       [&] { result = call_word(entry, int(word % 4)); });
        CHECK_FALSE(completed);
        CHECK(result == -7);
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 1);
        CHECK(traps[0].word == word);
        CHECK(traps[0].during == "test call of word " + std::to_string(word));
    }
    CHECK(services == 9);
    CHECK(host->events().empty());
    CHECK(host->lookups().empty());
    CHECK(host->element_list_calls().empty());

    SUBCASE("a trap call names its word and what the engine keeps there") {
        PANELS_WORD erase = panelhost::panels_word(table, PANELS_WORD_ELEMENT_LIST_ERASE);
        host->guarded(CallSite{"handler of mouse area", "autopilot", 3}, [&] { call_word(erase, 1); });
        PANELS_WORD old_lookup = panelhost::panels_word(table, 8);
        host->guarded("a string callback", [&] { call_word(old_lookup, 1); });
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 2);
        CHECK(traps[0].text() ==
              "the module called PANELS word 30 (element_list_erase) during gauge \"autopilot\": handler of mouse area 3");
        CHECK(traps[1].text() == "the module called PANELS word 8 (another engine service) during a string callback");
    }
    SUBCASE("guards nest: a trap ends the innermost call only") {
        bool after_inner = false;
        bool inner = true;
        bool outer = host->guarded("outer", [&] {
            inner = host->guarded("inner", [&] { call_word(panelhost::panels_word(table, 0), 2); });
            after_inner = true;
        });
        CHECK(outer);
        CHECK_FALSE(inner);
        CHECK(after_inner);
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 1);
        CHECK(traps[0].during == "inner");
    }
#if !(defined(_WIN32) && defined(__i386__))
    // (On the 32-bit target the gauge file has its own run-time, and an
    // exception cannot pass through its frames.)
    SUBCASE("a guard left by an exception from a host service is gone: a later trap does not jump to it") {
        panelhost::Gauge& autopilot = host->place("autopilot");
        host->on_event = [](const panelhost::KeyEvent&) { throw std::runtime_error("refused"); };
        CHECK_THROWS_AS(autopilot.click(472, 88), std::runtime_error);
        host->on_event = nullptr;
        CHECK(call_word(panelhost::panels_word(table, 0), 1) == 0);
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 1);
        CHECK(traps[0].during.empty());
    }
    SUBCASE("natively, a trap outside any guard is recorded and returns 0") {
        CHECK(call_word(panelhost::panels_word(table, 41), 2) == 0);
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 1);
        CHECK(traps[0].text() == "the module called PANELS word 41 (a further engine service) outside any guarded call");
    }
#endif
}

TEST_CASE("a sweep of all five gauges calls no PANELS word but the nine services") {
    auto host = test::load();
    // The module is given a table that ends right after word 40, its last
    // service: nothing in it may depend on the table's length (the sanitizer
    // build reports any read past the end).
    auto short_table = std::make_unique<PANELS>(Host::table().services);
    host->import_table()->panels.table = short_table.get();

    std::vector<panelhost::Gauge*> gauges = test::place_all(*host);
    size_t events = 0, lookups = 0, list_calls = 0;
    const double values[] = {0.0, 1.0, 8000.0, -1500.0 * 1.30048, std::numeric_limits<double>::quiet_NaN(), 1e300};
    for (double value : values) {
        for (uint32_t token : TOKENS) host->set_token(token, value);
        for (panelhost::Gauge* gauge : gauges) {
            CAPTURE(gauge->name());
            gauge->cycle();
            for (const MOUSERECT* area : gauge->areas()) {
                gauge->click(area->x + area->width / 2, area->y + area->height / 2);
                gauge->cycle();
            }
            for (int32_t id = -1; id <= 12; ++id) gauge->service(id, 0xFFFFFFFFu);
            const GAUGE_ROUTINES& r = gauge->header()->routines;
            host->guarded("the generic routines", [&] {
                r.query();
                r.install(host->module().handle());
                r.initialize();
                r.update();
                r.generate(1);
                r.draw();
                r.kill();
            });
            for (const TrapCall& trap : host->take_traps()) FAIL_CHECK(trap.text());
        }
        events += host->events().size();
        lookups += host->lookups().size();
        list_calls += host->element_list_calls().size();
        host->clear_logs();
    }
    host->import_table()->panels.table = Host::panels();
    // Key events went out through word 36, refreshes through word 40, the
    // generic routines through their own words.
    CHECK(events > 100);
    CHECK(lookups > 100);
    CHECK(list_calls == std::size(values) * gauges.size() * 7);
}

TEST_CASE("key events leave through word 36 and refreshes through word 40, and nowhere else") {
    auto host = test::load();
    panelhost::Gauge& autopilot = host->place("autopilot");
    panelhost::Gauge& preselector = host->place("vcaltpreselector");
    host->set_token(TOKEN_AP_VS_REF, 500.0);
    const int knob_inc = autopilot.area_at(472, 88);
    REQUIRE(knob_inc >= 0);

    SUBCASE("without trigger_key_event the knob's step ends at word 36") {
        panelhost::PanelsTable table = without_service(PANELS_WORD_TRIGGER_KEY_EVENT);
        host->import_table()->panels.table = &table.services;
        autopilot.click(472, 88);
        host->import_table()->panels.table = Host::panels();
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 1);
        CHECK(traps[0].text() == "the module called PANELS word 36 (trigger_key_event) during gauge \"autopilot\": "
                                 "handler of mouse area " + std::to_string(knob_inc + 1));
        CHECK(host->lookups().size() == 1);  // the reference was refreshed first
        CHECK(host->events().empty());
    }
    SUBCASE("without lookup_var the knob and the drawing notice end at word 40") {
        panelhost::PanelsTable table = without_service(PANELS_WORD_LOOKUP_VAR);
        host->import_table()->panels.table = &table.services;
        autopilot.click(472, 88);
        preselector.draw();
        host->import_table()->panels.table = Host::panels();
        std::vector<TrapCall> traps = host->take_traps();
        REQUIRE(traps.size() == 2);
        CHECK(traps[0].word == PANELS_WORD_LOOKUP_VAR);
        CHECK(traps[1].text() == "the module called PANELS word 40 (lookup_var) during gauge \"vcaltpreselector\": "
                                 "service callback with id 10");
        CHECK(host->events().empty());  // the knob never got as far as sending
    }
    SUBCASE("with the whole table the same click steps the reference") {
        autopilot.click(472, 88);
        REQUIRE(host->events().size() == 1);
        CHECK(host->events()[0].event == evt_vs_ref_set);
        CHECK(host->events()[0].value == 600);
    }
}
