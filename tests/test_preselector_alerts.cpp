// The decision-height alert and the altitude alerter: when each fires, its
// one-shots, and the withdrawal of a request not yet taken.
#include "tests/test_preselector.h"

using namespace presel;

namespace {
// One panel cycle at `altitude` and a further update service, so that a
// chime raised by this cycle's evaluation is played now: the chimes heard.
struct Flight {
    panelhost::Host& host;
    panelhost::Gauge& gauge;
    ChimeCounter chimes{host};

    int at(double altitude) {
        host.set_token(TOKEN_ALTITUDE, altitude);
        gauge.cycle();
        gauge.service(SERVICE_UPDATE);
        return chimes();
    }
    std::vector<int> along(std::initializer_list<double> altitudes) {
        std::vector<int> out;
        for (double altitude : altitudes) out.push_back(at(altitude));
        return out;
    }
};

// Decision height 200 ft, armed, and out of entry mode.
void arm_decision_height(panelhost::Gauge& gauge) {
    press(gauge, DH_BUTTON);
    press(gauge, KNOB_INC, 2);
    press(gauge, DTA_BUTTON);
}
}  // namespace

TEST_CASE("decision-height alert: within 50 ft above, then 50 ft below, once per arming") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    Flight flight{*host, gauge};
    press(gauge, DH_BUTTON);
    press(gauge, KNOB_INC, 2);
    CHECK(flight.along({1000, 250, 150, 0}) == std::vector<int>{0, 0, 0, 0});  // being edited
    press(gauge, DTA_BUTTON);
    CHECK(flight.along({1000, 600, 251, 250, 200, 151, 150, 0, -500}) ==
          std::vector<int>{0, 0, 0, 1, 0, 0, 1, 0, 0});

    // Armed again from entry mode: the one-shots keep their values.
    press(gauge, DTA_BUTTON);
    press(gauge, DH_BUTTON);
    press(gauge, DTA_BUTTON);
    CHECK(shows(gauge) == "ALT SEL DH |  0.0");
    CHECK(flight.along({1000, 100}) == std::vector<int>{0, 0});

    // Armed in normal mode: cleared. Below the decision height already, the
    // two chimes come on two evaluations.
    press(gauge, DH_BUTTON);
    press(gauge, DH_BUTTON);
    CHECK(flight.along({100, 100, 100}) == std::vector<int>{1, 1, 0});
}

TEST_CASE("altitude alerter armed well below the reference") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 10000);
    auto& gauge = host->place("altpreselector");
    Flight flight{*host, gauge};
    press(gauge, DTA_BUTTON);
    press(gauge, ALR_BUTTON);
    // Tests 3 and 4 hold at once (signed differences), then 1000 ft and
    // 300 ft to go.
    CHECK(flight.along({0, 0, 5000, 8999, 9000, 9500, 9700, 10000, 12000, 0}) ==
          std::vector<int>{1, 1, 0, 0, 1, 0, 1, 0, 0, 0});
    // Re-arming clears all four.
    press(gauge, ALR_BUTTON);
    press(gauge, ALR_BUTTON);
    CHECK(flight.along({10000, 10000, 10000, 10000, 10000}) == std::vector<int>{1, 1, 1, 1, 0});
}

TEST_CASE("altitude alerter armed well above the reference") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 5000);
    host->set_token(TOKEN_ALTITUDE, 10000);
    auto& gauge = host->place("altpreselector");
    Flight flight{*host, gauge};
    press(gauge, DTA_BUTTON);
    press(gauge, ALR_BUTTON);
    CHECK(flight.along({10000, 10000, 6001, 6000, 5301, 5300, 5000}) == std::vector<int>{1, 1, 0, 1, 0, 1, 0});
}

TEST_CASE("the alerter is evaluated only armed in normal mode") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 10000);
    auto& gauge = host->place("altpreselector");
    Flight flight{*host, gauge};
    press(gauge, DTA_BUTTON);
    press(gauge, ALR_BUTTON);
    CHECK(flight.at(0) == 1);
    press(gauge, DTA_BUTTON);  // entry mode: disarmed
    CHECK(flight.along({0, 9000, 9700}) == std::vector<int>{0, 0, 0});
    press(gauge, DTA_BUTTON);  // normal mode, still disarmed
    CHECK(flight.along({0, 9000, 9700}) == std::vector<int>{0, 0, 0});
}

TEST_CASE("an alerter request not yet taken is withdrawn when no test fires; a decision-height one is not") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 10000);
    host->set_token(TOKEN_ALTITUDE, 100);
    auto& gauge = host->place("altpreselector");
    ChimeCounter chimes{*host};

    SUBCASE("altitude alerter") {
        press(gauge, DTA_BUTTON);
        press(gauge, ALR_BUTTON);
        evaluate(gauge);  // test 3
        evaluate(gauge);  // test 4
        evaluate(gauge);  // none: withdrawn
        gauge.service(SERVICE_UPDATE);
        CHECK(chimes() == 0);
        evaluate(gauge);
        gauge.service(SERVICE_UPDATE);
        CHECK(chimes() == 0);
    }
    SUBCASE("decision height") {
        arm_decision_height(gauge);
        evaluate(gauge);  // within 50 ft above (below, in fact)
        evaluate(gauge);  // 50 ft below
        evaluate(gauge);  // nothing
        gauge.service(SERVICE_UPDATE);
        CHECK(chimes() == 1);
    }
}

TEST_CASE("only altpreselector evaluates the alerts and sounds the chime") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 10000);
    auto& nosnd = host->place("altpreselectornosnd");
    auto& vc = host->place("vcaltpreselector");
    arm_decision_height(nosnd);
    press(nosnd, ALR_BUTTON);
    for (double altitude : {0.0, 0.0, 9000.0, 9700.0, 0.0}) {
        host->set_token(TOKEN_ALTITUDE, altitude);
        nosnd.cycle();
        vc.cycle();
    }
    CHECK(host->sound().calls().empty());

    // With an altpreselector placed, the same flight chimes; the alerts'
    // one-shots were never touched by the other two.
    auto& panel = host->place("altpreselector");
    Flight flight{*host, panel};
    CHECK(flight.along({0, 0, 0}) == std::vector<int>{2, 2, 0});
}
