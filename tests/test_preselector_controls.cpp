// The preselector's buttons and knob over the state all three renditions
// share: both modes of the button table, the knob's targets and steps.
#include "tests/test_preselector.h"

using namespace presel;

namespace {
const char* const RENDITIONS[] = {"altpreselector", "vcaltpreselector", "altpreselectornosnd"};

struct Sent {
    uint32_t event;
    int32_t value;
};

std::vector<Sent> sent(panelhost::Host& host) {
    std::vector<Sent> out;
    for (const auto& e : host.events()) out.push_back({e.event, e.value});
    host.clear_logs();
    return out;
}

bool operator==(const Sent& a, const Sent& b) {
    return a.event == b.event && a.value == b.value;
}
}  // namespace

TEST_CASE("at load every rendition lights ENT and BARO only, and the knob does nothing") {
    auto host = test::load();
    set_sources(*host);
    for (const char* name : RENDITIONS) {
        CAPTURE(name);
        auto& gauge = host->place(name);
        CHECK(shows(gauge) == (std::string(name) == "vcaltpreselector" ? "ENT BARO |  7.0" : "ENT BARO | 29.9"));
        for (size_t lamp = ENT; lamp <= VS; ++lamp) CHECK((gauge.answer(lamp) == 0.0 || gauge.answer(lamp) == -1.0));
    }
    auto& panel = *host->gauges()[0];
    host->clear_logs();
    press(panel, KNOB_INC);
    press(panel, KNOB_DEC);
    CHECK(host->events().empty());
}

TEST_CASE("buttons in entry mode") {
    auto host = test::load();
    set_sources(*host);
    auto& gauge = host->place("altpreselectornosnd");

    SUBCASE("BAR toggles the baro read-out; ALR, VS and MAN are ignored") {
        press(gauge, BAR_BUTTON);
        CHECK(shows(gauge) == "ENT |  7.0");
        press(gauge, ALR_BUTTON);
        press(gauge, VS_BUTTON);
        press(gauge, MAN_BUTTON);
        CHECK(shows(gauge) == "ENT |  7.0");
        press(gauge, KNOB_INC);  // VS was ignored: the knob has no target
        CHECK(host->events().empty());
        press(gauge, BAR_BUTTON);
        CHECK(shows(gauge) == "ENT BARO | 29.9");
    }
    SUBCASE("ALT selects altitude-reference entry") {
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ENT ALT SEL |  7.0");
        press(gauge, KNOB_INC);
        CHECK(sent(*host) == std::vector<Sent>{{evt_alt_ref_set, 8000}});
        // BAR still toggles the lamp, and the baro case takes the read-out back.
        press(gauge, BAR_BUTTON);
        CHECK(shows(gauge) == "ENT ALT BARO SEL | 29.9");
    }
    SUBCASE("DH arms and edits the decision height, shown in the read-out; ALT then DH edits it too") {
        press(gauge, ALT_BUTTON);
        press(gauge, DH_BUTTON);
        CHECK(shows(gauge) == "ENT ALT SEL DH |  0.0");
        press(gauge, KNOB_INC, 2);
        CHECK(shows(gauge) == "ENT ALT SEL DH |  0.2");
        CHECK(host->events().empty());
        press(gauge, BAR_BUTTON);  // the decision height stays on the read-out
        CHECK(shows(gauge) == "ENT ALT BARO SEL DH |  0.2");
    }
    SUBCASE("DTA leaves entry mode, ending both entries") {
        press(gauge, DH_BUTTON);
        press(gauge, DTA_BUTTON);
        CHECK(shows(gauge) == "ALT SEL DH |  7.0");
        host->clear_logs();
        press(gauge, KNOB_INC);
        CHECK(host->events().empty());
    }
}

TEST_CASE("buttons in normal mode") {
    auto host = test::load();
    set_sources(*host);
    auto& gauge = host->place("altpreselectornosnd");
    press(gauge, DTA_BUTTON);
    REQUIRE(shows(gauge) == "ALT SEL |  7.0");

    SUBCASE("BAR and MAN are ignored") {
        press(gauge, BAR_BUTTON);
        press(gauge, MAN_BUTTON);
        CHECK(shows(gauge) == "ALT SEL |  7.0");
    }
    SUBCASE("ALT toggles between the reference and the aircraft altitude") {
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ALT |  4.5");
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ALT SEL |  7.0");
    }
    SUBCASE("ALR and DH arm and disarm their alerts") {
        press(gauge, ALR_BUTTON);
        CHECK(shows(gauge) == "ALT SEL ALR |  7.0");
        press(gauge, DH_BUTTON);
        CHECK(shows(gauge) == "ALT SEL ALR DH |  7.0");
        press(gauge, ALR_BUTTON);
        press(gauge, DH_BUTTON);
        CHECK(shows(gauge) == "ALT SEL |  7.0");
    }
    SUBCASE("VS toggles the lamp and the knob's vertical-speed steps together") {
        press(gauge, VS_BUTTON);
        CHECK(shows(gauge) == "ALT SEL VS |  7.0");
        press(gauge, KNOB_INC);
        press(gauge, KNOB_DEC);
        CHECK(sent(*host) == std::vector<Sent>{{evt_vs_step_up, 0}, {evt_vs_step_down, 0}});
        press(gauge, VS_BUTTON);
        press(gauge, KNOB_INC);
        CHECK(shows(gauge) == "ALT SEL |  7.0");
        CHECK(host->events().empty());
    }
    SUBCASE("DTA back to entry mode disarms both alerts and keeps VS and the altitude choice") {
        press(gauge, ALR_BUTTON);
        press(gauge, DH_BUTTON);
        press(gauge, VS_BUTTON);
        press(gauge, ALT_BUTTON);  // aircraft altitude
        press(gauge, DTA_BUTTON);
        CHECK(shows(gauge) == "ENT ALT VS |  4.5");
        press(gauge, KNOB_INC);
        CHECK(sent(*host) == std::vector<Sent>{{evt_vs_step_up, 0}});
        // Out again: SEL lights though the aircraft altitude is still shown,
        // until ALT is pressed twice.
        press(gauge, DTA_BUTTON);
        CHECK(shows(gauge) == "ALT SEL VS |  4.5");
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ALT VS |  4.5");
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ALT SEL VS |  7.0");
    }
    SUBCASE("ALT in entry mode ends the knob's VS steps but leaves the VS lamp lit") {
        press(gauge, VS_BUTTON);
        press(gauge, DTA_BUTTON);
        press(gauge, ALT_BUTTON);
        CHECK(shows(gauge) == "ENT ALT SEL VS |  7.0");
        press(gauge, DTA_BUTTON);
        host->clear_logs();
        press(gauge, KNOB_INC);
        CHECK(host->events().empty());
        press(gauge, VS_BUTTON);  // lamp off
        CHECK(shows(gauge) == "ALT SEL |  7.0");
        press(gauge, VS_BUTTON);  // VS mode on again
        press(gauge, KNOB_INC);
        CHECK(sent(*host) == std::vector<Sent>{{evt_vs_step_up, 0}});
    }
}

TEST_CASE("the knob steps the altitude reference from the host's current value") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    press(gauge, ALT_BUTTON);

    host->set_token(TOKEN_AP_ALT_REF, 500);
    press(gauge, KNOB_DEC);
    press(gauge, KNOB_PULL);  // tenths: 100 ft, with no rounding to the step
    host->set_token(TOKEN_AP_ALT_REF, 1250.75);
    press(gauge, KNOB_INC);
    press(gauge, KNOB_DEC);
    host->set_token(TOKEN_AP_ALT_REF, -1250.75);
    press(gauge, KNOB_INC);
    press(gauge, KNOB_PULL);  // back to 1000 ft
    press(gauge, KNOB_INC);
    CHECK(sent(*host) == std::vector<Sent>{{evt_alt_ref_set, -500},
                                           {evt_alt_ref_set, 1350},
                                           {evt_alt_ref_set, 1150},
                                           {evt_alt_ref_set, -1150},
                                           {evt_alt_ref_set, -250}});

    // Values the event cannot carry are sent saturated; NaN as 0.
    const double hostile[] = {1e300, -1e300, std::numeric_limits<double>::infinity(), std::nan("")};
    const int32_t expected[] = {INT32_MAX, INT32_MIN, INT32_MAX, 0};
    for (size_t i = 0; i < 4; ++i) {
        host->set_token(TOKEN_AP_ALT_REF, hostile[i]);
        press(gauge, KNOB_INC);
        CHECK(sent(*host) == std::vector<Sent>{{evt_alt_ref_set, expected[i]}});
    }
}

TEST_CASE("the decision height moves 100 ft a click whatever the step size, below zero too") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    press(gauge, DH_BUTTON);
    press(gauge, KNOB_INC, 3);
    CHECK(shows(gauge) == "ENT DH |  0.3");
    press(gauge, KNOB_PULL);
    press(gauge, KNOB_DEC, 4);
    CHECK(shows(gauge) == "ENT DH | -0.1");
    press(gauge, KNOB_DEC, 99);  // wider than the read-out, written whole
    CHECK(shows(gauge) == "ENT DH | -10.0");
    CHECK(host->events().empty());
}

TEST_CASE("the renditions share one state; the vc rendition takes no click") {
    auto host = test::load();
    set_sources(*host);
    auto& panel = host->place("altpreselector");
    auto& vc = host->place("vcaltpreselector");
    auto& nosnd = host->place("altpreselectornosnd");

    press(nosnd, DTA_BUTTON);
    press(nosnd, VS_BUTTON);
    press(panel, ALR_BUTTON);
    CHECK(shows(panel) == "ALT SEL ALR VS |  7.0");
    CHECK(shows(vc) == "ALT SEL ALR VS |  7.0");
    CHECK(shows(nosnd) == "ALT SEL ALR VS |  7.0");

    host->clear_logs();
    for (int y = -5; y < 110; y += 3)
        for (int x = -5; x < 220; x += 3) CHECK(vc.click(x, y) == -1);
    CHECK(shows(vc) == "ALT SEL ALR VS |  7.0");
    CHECK(host->events().empty());
}

TEST_CASE("each 2D rendition's areas follow the face's controls, with gaps between them") {
    auto host = test::load();
    struct Area {
        int x, y, width, height, cursor;
    };
    const Area table[] = {{9, 29, 20, 10, 5},  {9, 53, 20, 10, 5},   {30, 78, 20, 10, 5},  {93, 78, 20, 10, 5},
                          {127, 78, 20, 10, 5}, {162, 78, 20, 10, 5}, {61, 78, 20, 10, 5},  {175, 38, 14, 14, 2},
                          {201, 38, 12, 14, 1}, {192, 42, 6, 6, 5}};
    for (const char* name : {"altpreselector", "altpreselectornosnd"}) {
        CAPTURE(name);
        auto& gauge = host->place(name);
        REQUIRE(gauge.areas().size() == 10);
        for (size_t i = 0; i < 10; ++i) {
            const MOUSERECT* area = gauge.areas()[i];
            CHECK(area->x == table[i].x);
            CHECK(area->y == table[i].y);
            CHECK(area->width == table[i].width);
            CHECK(area->height == table[i].height);
            CHECK(area->cursor == table[i].cursor);
            CHECK(area->event == 0);
        }
        host->clear_logs();
        for (int x = 51; x <= 60; ++x) CHECK(gauge.click(x, 82) == -1);  // between ALT and ALR
        // A handler reads neither point nor flags, and answers 0.
        PIXPOINT far{-1000, 1000};
        for (const MOUSERECT* area : gauge.areas()) CHECK(area->handler(&far, 0xFFFFFFFF) == 0);
    }
}
