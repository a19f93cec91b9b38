// The autopilot panel's vertical modes and VS knob: the events each press
// sends, in order, and the one-of-three memory behind the ALT and VS legends.
#include <limits>

#include "tests/test_autopilot.h"

using namespace ap_test;

namespace {
const std::string ENGAGE_PAIR = " 66115:0 66103:0";
const std::string RELEASE = "66116:0 66104:0";

// A placed autopilot with the master engaged, so that the legends show the
// panel's memory.
struct Panel {
    test::HostPtr host = test::load();
    panelhost::Gauge& gauge = host->place("autopilot");
    Panel() {
        host->set_token(TOKEN_AP_MASTER, 1);
        host->clear_logs();
    }
    std::string press(Point p) {
        click(gauge, p);
        return sent(*host);
    }
    std::string legends() { return lit_legends(gauge); }
};
}  // namespace

TEST_CASE("VS engages at the present speed, or +100 when nearly level, and releases") {
    Panel panel;
    struct Case {
        double fpm;
        int sent;
    };
    const Case cases[] = {{0, 100},        {-100, -100}, {-99.9, 100},  {99.9, 100},   {100, 100},
                          {250.7, 250},    {-250.7, -250}, {-1234, -1234}, {3000.9, 3000}};
    for (const Case& c : cases) {
        CAPTURE(c.fpm);
        panel.host->set_token(TOKEN_VERTICAL_SPEED, speed_token(c.fpm));
        CHECK(panel.press(VS_BUTTON) == "66036:" + std::to_string(c.sent) + " 66124:0" + ENGAGE_PAIR);
        CHECK(panel.legends() == "VS");
        CHECK(panel.press(VS_BUTTON) == RELEASE);
        CHECK(panel.legends() == "");
    }
}

TEST_CASE("ALT engages at the present altitude with a zero speed, and releases") {
    Panel panel;
    panel.host->set_token(TOKEN_VERTICAL_SPEED, speed_token(1500));
    panel.host->set_token(TOKEN_AP_VS_REF, 700);
    panel.host->set_token(TOKEN_ALTITUDE, 8500.9);
    CHECK(panel.press(ALT_BUTTON) == "66036:0 66124:8500" + ENGAGE_PAIR);
    CHECK(panel.legends() == "ALT");
    CHECK(panel.press(ALT_BUTTON) == RELEASE);
    CHECK(panel.legends() == "");
    panel.host->set_token(TOKEN_ALTITUDE, -25.5);
    CHECK(panel.press(ALT_BUTTON) == "66036:0 66124:-25" + ENGAGE_PAIR);
}

TEST_CASE("ARM re-sends both references to engage, and is refused at reference 0") {
    Panel panel;
    panel.host->set_token(TOKEN_AP_VS_REF, -500.9);
    panel.host->set_token(TOKEN_AP_ALT_REF, 12000.7);

    SUBCASE("engage and release") {
        CHECK(panel.press(ARM_SPOT) == "66036:-500 66124:12000" + ENGAGE_PAIR);
        CHECK(panel.legends() == "ALT");
        CHECK(panel.press(ARM_SPOT) == RELEASE);
        CHECK(panel.legends() == "");
    }

    SUBCASE("the altitude reference is read afresh for the test and again for the value") {
        panel.host->set_token(TOKEN_AP_MASTER, 0);  // the spot is not gated
        click(panel.gauge, ARM_SPOT);
        CHECK(looked_up(*panel.host) == "109 109 120");
        panel.host->clear_logs();
        click(panel.gauge, ARM_SPOT);
        CHECK(looked_up(*panel.host) == "109");
    }

    SUBCASE("refused at 0, whether or not ARM is engaged") {
        for (double ref : {0.0, 0.9, -0.9, std::nan("")}) {
            CAPTURE(ref);
            panel.host->set_token(TOKEN_AP_ALT_REF, ref);
            CHECK(panel.press(ARM_SPOT) == "");
            CHECK(panel.legends() == "");
        }
        panel.host->set_token(TOKEN_AP_ALT_REF, 3000);
        CHECK(panel.press(ARM_SPOT) == "66036:-500 66124:3000" + ENGAGE_PAIR);
        for (double ref : {0.0, 0.9, -0.9, std::nan("")}) {
            CAPTURE(ref);
            panel.host->set_token(TOKEN_AP_ALT_REF, ref);
            CHECK(panel.press(ARM_SPOT) == "");
            CHECK(panel.legends() == "ALT");
        }
        // ARM is still left through the other buttons, which change mode.
        panel.host->set_token(TOKEN_VERTICAL_SPEED, speed_token(-800));
        CHECK(panel.press(VS_BUTTON) == "66036:-800 66124:0" + ENGAGE_PAIR);
        CHECK(panel.legends() == "VS");
    }
}

TEST_CASE("switching between engaged modes sends only the new mode's engage events") {
    Panel panel;
    panel.host->set_token(TOKEN_VERTICAL_SPEED, speed_token(600));
    panel.host->set_token(TOKEN_ALTITUDE, 4000);
    panel.host->set_token(TOKEN_AP_ALT_REF, 9000);
    panel.host->set_token(TOKEN_AP_VS_REF, 1200);

    const std::string vs = "66036:600 66124:0" + ENGAGE_PAIR;
    const std::string alt = "66036:0 66124:4000" + ENGAGE_PAIR;
    const std::string arm = "66036:1200 66124:9000" + ENGAGE_PAIR;

    CHECK(panel.press(VS_BUTTON) == vs);
    CHECK(panel.legends() == "VS");
    CHECK(panel.press(ALT_BUTTON) == alt);
    CHECK(panel.legends() == "ALT");
    CHECK(panel.press(ARM_SPOT) == arm);
    CHECK(panel.legends() == "ALT");
    CHECK(panel.press(VS_BUTTON) == vs);
    CHECK(panel.legends() == "VS");
    CHECK(panel.press(ARM_SPOT) == arm);
    CHECK(panel.press(ALT_BUTTON) == alt);
    CHECK(panel.press(VS_BUTTON) == vs);

    // Each engage dropped the other two flags: only VS is left to release,
    // so ALT and ARM engage again instead of releasing.
    CHECK(panel.press(VS_BUTTON) == RELEASE);
    CHECK(panel.legends() == "");
    CHECK(panel.press(ALT_BUTTON) == alt);
    CHECK(panel.press(ALT_BUTTON) == RELEASE);
    CHECK(panel.press(ARM_SPOT) == arm);
    CHECK(panel.press(ARM_SPOT) == RELEASE);
    CHECK(panel.legends() == "");
}

TEST_CASE("the mode buttons work whatever the master state") {
    Panel panel;
    panel.host->set_token(TOKEN_AP_MASTER, 0);
    panel.host->set_token(TOKEN_ALTITUDE, 2500);
    panel.gauge.cycle();
    CHECK(panel.press(ALT_BUTTON) == "66036:0 66124:2500" + ENGAGE_PAIR);
    CHECK(panel.legends() == "RDY");
    panel.host->set_token(TOKEN_AP_MASTER, 1);
    CHECK(panel.legends() == "ALT");
}

TEST_CASE("VS knob steps the reference by 100 within +-1600") {
    Panel panel;
    auto step = [&](Point half, double ref) {
        panel.host->set_token(TOKEN_AP_VS_REF, ref);
        return panel.press(half);
    };

    SUBCASE("increase") {
        CHECK(step(KNOB_INC, 0) == "66036:100");
        CHECK(step(KNOB_INC, 50.7) == "66036:150");
        CHECK(step(KNOB_INC, 1450) == "66036:1550");
        CHECK(step(KNOB_INC, 1499.9) == "66036:1599");
        CHECK(step(KNOB_INC, 1500) == "66036:1600");
        CHECK(step(KNOB_INC, 1600) == "66036:1600");
        CHECK(step(KNOB_INC, 5000) == "66036:1600");
        CHECK(step(KNOB_INC, -1600) == "66036:-1500");
        CHECK(step(KNOB_INC, -5000) == "66036:-4900");
    }

    SUBCASE("decrease") {
        CHECK(step(KNOB_DEC, 0) == "66036:-100");
        CHECK(step(KNOB_DEC, -50.7) == "66036:-150");
        CHECK(step(KNOB_DEC, -1450) == "66036:-1550");
        CHECK(step(KNOB_DEC, -1500) == "66036:-1600");
        CHECK(step(KNOB_DEC, -1600) == "66036:-1600");
        CHECK(step(KNOB_DEC, -5000) == "66036:-1600");
        CHECK(step(KNOB_DEC, 1600) == "66036:1500");
        CHECK(step(KNOB_DEC, 5000) == "66036:4900");
    }

    SUBCASE("steps do not snap to the hundreds on the way to a limit") {
        // The simulator takes each sent reference as the new one.
        panel.host->on_event = [&](const panelhost::KeyEvent& e) {
            if (e.event == evt_vs_ref_set) panel.host->set_token(TOKEN_AP_VS_REF, e.value);
        };
        panel.host->set_token(TOKEN_AP_VS_REF, 1450);
        for (int i = 0; i < 3; ++i) click(panel.gauge, KNOB_INC);
        CHECK(sent(*panel.host) == "66036:1550 66036:1600 66036:1600");
        panel.host->set_token(TOKEN_AP_VS_REF, -1330);
        for (int i = 0; i < 4; ++i) click(panel.gauge, KNOB_DEC);
        CHECK(sent(*panel.host) == "66036:-1430 66036:-1530 66036:-1600 66036:-1600");
    }

    SUBCASE("the reference is read afresh on every click, and nothing else") {
        panel.host->set_token(TOKEN_AP_VS_REF, 300);
        click(panel.gauge, KNOB_INC);
        click(panel.gauge, KNOB_DEC);
        CHECK(looked_up(*panel.host) == "120 120");
        CHECK(sent(*panel.host) == "66036:400 66036:200");
    }
}

TEST_CASE("VS knob reads and changes no mode") {
    Panel panel;
    panel.host->set_token(TOKEN_VERTICAL_SPEED, speed_token(-400));
    CHECK(panel.press(VS_BUTTON) == "66036:-400 66124:0" + ENGAGE_PAIR);
    panel.host->set_token(TOKEN_AP_VS_REF, -400);
    CHECK(panel.press(KNOB_INC) == "66036:-300");
    CHECK(panel.press(KNOB_DEC) == "66036:-500");
    CHECK(panel.legends() == "VS");
    CHECK(panel.press(VS_BUTTON) == RELEASE);
    CHECK(panel.press(KNOB_INC) == "66036:-300");
    CHECK(panel.legends() == "");
}

TEST_CASE("hostile token values give defined events and legends") {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    Panel panel;

    SUBCASE("VS button: NaN sends 0, huge speeds saturate") {
        const std::pair<double, std::string> cases[] = {
            {nan, "0"}, {inf, "2147483647"}, {-inf, "-2147483648"}, {1e300, "2147483647"}, {-1e300, "-2147483648"}};
        for (auto& [token, value] : cases) {
            CAPTURE(token);
            panel.host->set_token(TOKEN_VERTICAL_SPEED, token);
            CHECK(panel.press(VS_BUTTON) == "66036:" + value + " 66124:0" + ENGAGE_PAIR);
            CHECK(panel.press(VS_BUTTON) == RELEASE);
        }
    }

    SUBCASE("ALT button: the altitude converts the same way") {
        const std::pair<double, std::string> cases[] = {{nan, "0"}, {inf, "2147483647"}, {-1e300, "-2147483648"}};
        for (auto& [token, value] : cases) {
            CAPTURE(token);
            panel.host->set_token(TOKEN_ALTITUDE, token);
            CHECK(panel.press(ALT_BUTTON) == "66036:0 66124:" + value + ENGAGE_PAIR);
            CHECK(panel.press(ALT_BUTTON) == RELEASE);
        }
    }

    SUBCASE("arm spot: huge references engage with saturated values") {
        panel.host->set_token(TOKEN_AP_ALT_REF, -inf);
        panel.host->set_token(TOKEN_AP_VS_REF, nan);
        CHECK(panel.press(ARM_SPOT) == "66036:0 66124:-2147483648" + ENGAGE_PAIR);
        panel.host->set_token(TOKEN_AP_ALT_REF, 1e300);
        CHECK(panel.press(ARM_SPOT) == RELEASE);
    }

    SUBCASE("knob: the 16-bit value saturates instead of wrapping") {
        const std::tuple<double, std::string, std::string> cases[] = {
            {nan, "0", "0"},
            {inf, "1600", "32767"},
            {-inf, "-32768", "-1600"},
            {1e300, "1600", "32767"},
            {-1e300, "-32768", "-1600"},
            {-40000, "-32768", "-1600"},
            {65537, "1600", "32767"},
            {32700, "1600", "32600"},
        };
        for (auto& [token, up, down] : cases) {
            CAPTURE(token);
            panel.host->set_token(TOKEN_AP_VS_REF, token);
            CHECK(panel.press(KNOB_INC) == "66036:" + up);
            CHECK(panel.press(KNOB_DEC) == "66036:" + down);
        }
    }
}
