#include "preselector/alerts.h"

#include "module/panels.h"
#include "module/tokens.h"
#include "preselector/state.h"

// Armed and not being edited, in either mode. The first chime comes when
// the aircraft is no more than 50 ft above the decision height (or anywhere
// below it), the second when it is 50 ft or more below; one per evaluation.
// This alert never withdraws a request it raised.
static void presel_dh_alert() {
    PRESEL_STATE& s = presel_state;
    if (!s.presel_dh_armed || s.presel_dh_entry) return;
    double altitude = module_lookup(&presel_altitude_var);
    if (altitude - s.presel_dh_value <= 50.0 && !s.presel_dh_approach_done) {
        s.presel_dh_approach_done = 1;
        s.presel_dh_chime_request = 1;
    } else if (s.presel_dh_value - altitude >= 50.0 && !s.presel_dh_below_done) {
        s.presel_dh_below_done = 1;
        s.presel_dh_chime_request = 1;
    }
}

// Armed, in normal mode. Four signed tests in order: 1000 ft and 300 ft
// below the reference, then 1000 ft and 300 ft above it. The first that
// holds and has not fired yet fires; when none fires, a request not yet
// taken is withdrawn.
static void presel_altitude_alert() {
    PRESEL_STATE& s = presel_state;
    if (!s.presel_alert_armed || s.presel_entry_mode) return;
    double altitude = module_lookup(&presel_altitude_var);
    double reference = module_lookup(&ap_alt_ref_var);
    const bool holds[4] = {
        reference - altitude <= 1000.0,
        reference - altitude <= 300.0,
        altitude - reference <= 1000.0,
        altitude - reference <= 300.0,
    };
    for (int test = 0; test < 4; ++test) {
        if (holds[test] && !s.presel_alert_done[test]) {
            s.presel_alert_done[test] = 1;
            s.presel_alt_chime_request = 1;
            return;
        }
    }
    s.presel_alt_chime_request = 0;
}

void presel_evaluate_alerts() {
    presel_dh_alert();
    presel_altitude_alert();
}
