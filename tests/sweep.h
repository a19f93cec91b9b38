// A sweep of the whole module through the host: boundary values of every
// read-out and every control of all five gauges, logged as the host saw
// them, for comparing the module's answers between hosts that differ in
// what should make no difference.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "module/tokens.h"
#include "tests/test_autopilot.h"
#include "tests/test_preselector.h"

namespace test {

// Everything the host saw of one gauge after a panel cycle: lamp answers and
// texts, in child order.
inline std::string seen(panelhost::Gauge& gauge) {
    gauge.cycle();
    std::string out = gauge.name() + ":";
    for (size_t i = 0; i < gauge.children().size(); ++i) {
        if (gauge.children()[i]->element_type == ELEMENT_TYPE_STRING)
            out += std::string(" '") + gauge.text(i) + "'";
        else
            out += gauge.lit(i) ? " 1" : " 0";
    }
    return out + "\n";
}

// Boundary values through all five gauges, every control clicked, as one
// log of texts, lamps and key events with their values; what the host
// found wrong with the x87 state goes to `x87_faults`, and the loaded
// module's handle to `loaded_at`.
inline std::string sweep(const panelhost::HostOptions& options, std::vector<std::string>* x87_faults = nullptr,
                         const void** loaded_at = nullptr) {
    test::HostPtr host(new panelhost::Host(test::module_path, options));
    if (loaded_at) *loaded_at = host->module().handle();
    panelhost::Host& h = *host;
    test::place_all(h);
    panelhost::Gauge& presel = *h.gauges()[0];
    panelhost::Gauge& autopilot = *h.gauges()[3];
    std::string log;
    auto all = [&] {
        for (const auto& gauge : h.gauges()) log += seen(*gauge);
        log += "events: " + ap_test::sent(h) + "\n";
    };
    h.set_token(TOKEN_AP_MASTER, 1);
    h.set_token(TOKEN_BARO, 29.92);

    // Speeds that divide to exactly these ft/min, and their neighbours.
    for (double fpm : {-150.0, -100.0, -50.0, 50.0, 100.0, 150.0, -1550.0, 1550.0, 0.0})
        for (double token : {ap_test::speed_token(fpm), std::nextafter(ap_test::speed_token(fpm), HUGE_VAL),
                             std::nextafter(ap_test::speed_token(fpm), -HUGE_VAL)}) {
            h.set_token(TOKEN_VERTICAL_SPEED, token);
            log += seen(autopilot);
        }

    // Altitudes whose thousands sit near x.x5, shown as reference, as the
    // aircraft's altitude (MAN) and as decision height; the alerter armed.
    presel::press(presel, presel::DTA_BUTTON);
    presel::press(presel, presel::ALR_BUTTON);
    for (double feet : {4050.0, 4150.0, 12450.0, 12550.0, 9950.0, 99950.0, 250.0, 2050.0, 100050.0}) {
        h.set_token(TOKEN_AP_ALT_REF, feet);
        h.set_token(TOKEN_ALTITUDE, feet - 250.0);
        all();
        presel::press(presel, presel::MAN_BUTTON);
        all();
        presel::press(presel, presel::MAN_BUTTON);
    }

    // The autopilot's knob from references near ±1500 ft/min, the vertical
    // modes engaged and released.
    for (double reference : {1499.99, 1500.0, 1500.01, -1500.0, -1499.99, -1500.01, 1550.0})
        for (ap_test::Point control : {ap_test::KNOB_INC, ap_test::KNOB_DEC, ap_test::VS_BUTTON, ap_test::ALT_BUTTON, ap_test::ARM_SPOT}) {
            h.set_token(TOKEN_AP_VS_REF, reference);
            ap_test::click(autopilot, control);
            all();
        }

    // Every preselector control, stepping both references and the
    // decision height, in entry and in normal mode.
    for (presel::Control control : {presel::DTA_BUTTON, presel::ALT_BUTTON, presel::KNOB_INC, presel::KNOB_PULL,
                                    presel::KNOB_DEC, presel::DH_BUTTON, presel::KNOB_INC, presel::VS_BUTTON,
                                    presel::KNOB_DEC, presel::BAR_BUTTON, presel::ALR_BUTTON, presel::MAN_BUTTON}) {
        h.set_token(TOKEN_AP_ALT_REF, 4050.0);
        presel::press(presel, control);
        all();
    }

    // Values no instrument should see, which raise exceptions if any x87
    // operation takes them unmasked.
    for (double odd : {std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, -HUGE_VAL, 1e300, -1e300}) {
        for (uint32_t token : {TOKEN_VERTICAL_SPEED, TOKEN_ALTITUDE, TOKEN_AP_ALT_REF, TOKEN_AP_VS_REF, TOKEN_BARO,
                               TOKEN_AP_MASTER, TOKEN_AP_HDG})
            h.set_token(token, odd);
        all();
        ap_test::click(autopilot, ap_test::KNOB_INC);
        presel::press(presel, presel::KNOB_INC);
        all();
    }
    if (x87_faults) *x87_faults = h.x87_faults();
    return log;
}

}  // namespace test
