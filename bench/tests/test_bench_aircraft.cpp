// The simulated aircraft: how key events change the autopilot's tokens and
// how the aircraft moves under the engaged vertical mode.
#include "bench/tests/bench_support.h"

#include <algorithm>
#include <memory>

#include "bench/common/aircraft.h"
#include "host/host.h"
#include "module/tokens.h"

namespace {

struct Sky {
    std::unique_ptr<panelhost::Host> host;
    std::unique_ptr<bench::Aircraft> aircraft;
    std::vector<std::string> notes;

    Sky() {
        panelhost::HostOptions o;
        o.sound_library = benchtest::sound_path;
        host = std::make_unique<panelhost::Host>(benchtest::module_path, o);
        aircraft = std::make_unique<bench::Aircraft>(*host);
        aircraft->on_note = [this](const std::string& n) { notes.push_back(n); };
    }
    void send(uint32_t event, int32_t value = 0) { aircraft->apply({event, value, false}); }
    double token(uint32_t t) const { return host->token(t); }
    void fly(double seconds) {
        for (int i = 0; i < int(seconds * 18 + 0.5); ++i) aircraft->step(1.0 / 18);
    }
    void engage() {
        send(evt_vertical_engage_a);
        send(evt_vertical_engage_b);
    }
};

}  // namespace

TEST_CASE("key events set, step and toggle the autopilot's tokens") {
    Sky sky;
    sky.send(evt_vs_ref_set, -700);
    sky.send(evt_alt_ref_set, 12500);
    CHECK(sky.token(TOKEN_AP_VS_REF) == -700);
    CHECK(sky.token(TOKEN_AP_ALT_REF) == 12500);
    sky.send(evt_vs_step_up);
    sky.send(evt_vs_step_up);
    sky.send(evt_vs_step_down);
    CHECK(sky.token(TOKEN_AP_VS_REF) == -600);

    const std::pair<uint32_t, uint32_t> buttons[] = {{evt_hdg_button, TOKEN_AP_HDG},
                                                     {evt_nav_button, TOKEN_AP_NAV},
                                                     {evt_apr_button, TOKEN_AP_APR},
                                                     {evt_rev_button, TOKEN_AP_REV}};
    for (auto [event, token] : buttons) {
        CAPTURE(event);
        sky.send(event);
        CHECK(sky.token(token) == 1);
        sky.send(event);
        CHECK(sky.token(token) == 0);
    }
    // A lateral mode token at another value than 1 is off: a press turns it on.
    sky.host->set_token(TOKEN_AP_NAV, 2);
    sky.send(evt_nav_button);
    CHECK(sky.token(TOKEN_AP_NAV) == 1);
    CHECK(sky.token(TOKEN_AP_MASTER) == 0);  // left to the script
}

TEST_CASE("only the two events of a pair, back to back, engage or release") {
    Sky sky;
    sky.send(evt_vertical_engage_b);
    CHECK_FALSE(sky.aircraft->vertical_engaged());
    sky.send(evt_vertical_engage_a);
    sky.send(evt_vs_ref_set, 500);
    sky.send(evt_vertical_engage_b);
    CHECK_FALSE(sky.aircraft->vertical_engaged());
    sky.engage();
    CHECK(sky.aircraft->vertical_engaged());
    sky.send(evt_vertical_release_b);
    sky.send(evt_vertical_engage_b);
    CHECK(sky.aircraft->vertical_engaged());
    sky.send(evt_vertical_release_a);
    sky.send(evt_vertical_release_b);
    CHECK_FALSE(sky.aircraft->vertical_engaged());
    CHECK(sky.notes == std::vector<std::string>{"aircraft: vertical mode engaged", "aircraft: vertical mode released"});
}

TEST_CASE("with no altitude reference the engaged mode holds the vertical-speed reference") {
    Sky sky;
    sky.host->set_token(TOKEN_AP_MASTER, 1);
    sky.host->set_token(TOKEN_ALTITUDE, 3000);
    sky.send(evt_vs_ref_set, -600);
    sky.send(evt_alt_ref_set, 0);
    sky.engage();
    sky.fly(60);
    CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(2400));
    CHECK(sky.token(TOKEN_VERTICAL_SPEED) == doctest::Approx(-600 * 1.30048));
    CHECK(sky.token(TOKEN_AP_VS) == 1);
    CHECK(sky.token(TOKEN_AP_ALT) == 0);
    // The reference's later steps are followed at once.
    sky.send(evt_vs_step_up);
    sky.fly(1.0 / 18);
    CHECK(sky.aircraft->vertical_speed_fpm() == doctest::Approx(-500));
}

TEST_CASE("with an altitude reference the aircraft flies to it at the reference's magnitude and levels there") {
    for (double vs_ref : {800.0, -800.0}) {
        for (double start : {1000.0, 5000.0}) {
            CAPTURE(vs_ref);
            CAPTURE(start);
            Sky sky;
            sky.host->set_token(TOKEN_AP_MASTER, 1);
            sky.host->set_token(TOKEN_ALTITUDE, start);
            sky.send(evt_vs_ref_set, int32_t(vs_ref));
            sky.send(evt_alt_ref_set, 3000);
            sky.engage();
            sky.fly(60);
            CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(start < 3000 ? 1800 : 4200));
            CHECK(sky.aircraft->vertical_speed_fpm() == doctest::Approx(start < 3000 ? 800 : -800));
            CHECK(sky.token(TOKEN_AP_VS) == 1);
            sky.fly(120);
            CHECK(sky.token(TOKEN_ALTITUDE) == 3000);
            CHECK(sky.token(TOKEN_VERTICAL_SPEED) == 0);
            CHECK(sky.token(TOKEN_AP_ALT) == 1);
            CHECK(sky.token(TOKEN_AP_VS) == 0);
            CHECK(sky.notes.back() == "aircraft: level at 3000 ft");
            // A new reference starts the aircraft moving again.
            sky.send(evt_alt_ref_set, 3100);
            sky.fly(1);
            CHECK(sky.token(TOKEN_ALTITUDE) > 3000);
        }
    }
}

TEST_CASE("the ALT button's engage (reference 0 ft/min, present altitude) holds the altitude") {
    Sky sky;
    sky.host->set_token(TOKEN_AP_MASTER, 1);
    sky.host->set_token(TOKEN_ALTITUDE, 2345.6);
    sky.host->set_token(TOKEN_VERTICAL_SPEED, 1000 * 1.30048);
    sky.send(evt_vs_ref_set, 0);
    sky.send(evt_alt_ref_set, 2345);
    sky.engage();
    sky.fly(30);
    CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(2345.6));
    CHECK(sky.token(TOKEN_VERTICAL_SPEED) == 0);
    CHECK(sky.token(TOKEN_AP_ALT) == 1);
}

TEST_CASE("without the master, or after a release, the aircraft keeps its vertical speed") {
    Sky sky;
    sky.host->set_token(TOKEN_ALTITUDE, 1000);
    sky.host->set_token(TOKEN_VERTICAL_SPEED, 300 * 1.30048);
    sky.send(evt_vs_ref_set, -1000);
    sky.send(evt_alt_ref_set, 0);
    sky.engage();
    sky.fly(60);
    CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(1300));
    CHECK(sky.token(TOKEN_AP_VS) == 0);

    sky.host->set_token(TOKEN_AP_MASTER, 1);
    sky.fly(6);
    CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(1200));
    sky.send(evt_vertical_release_a);
    sky.send(evt_vertical_release_b);
    CHECK(sky.token(TOKEN_AP_VS) == 0);
    sky.fly(6);
    CHECK(sky.token(TOKEN_ALTITUDE) == doctest::Approx(1100));
}

TEST_CASE("the ground stops a descent") {
    Sky sky;
    sky.host->set_token(TOKEN_AP_MASTER, 1);
    sky.host->set_token(TOKEN_ALTITUDE, 100);
    sky.send(evt_vs_ref_set, -1200);
    sky.engage();
    sky.fly(30);
    CHECK(sky.token(TOKEN_ALTITUDE) == 0);
    CHECK(sky.token(TOKEN_VERTICAL_SPEED) == 0);
    CHECK(std::count(sky.notes.begin(), sky.notes.end(), "aircraft: on the ground") == 1);
}
