#include "bench/common/aircraft.h"

#include <cmath>

#include "module/tokens.h"

namespace bench {

void Aircraft::note(const std::string& text) {
    if (on_note) on_note(text);
}

double Aircraft::vertical_speed_fpm() const { return host_.token(TOKEN_VERTICAL_SPEED) / MODULE_VS_UNITS_PER_FPM; }

void Aircraft::set_vertical_speed_fpm(double fpm) {
    host_.set_token(TOKEN_VERTICAL_SPEED, fpm * MODULE_VS_UNITS_PER_FPM);
}

void Aircraft::set_mode_tokens(bool vs_mode, bool alt_hold) {
    host_.set_token(TOKEN_AP_VS, vs_mode ? 1.0 : 0.0);
    host_.set_token(TOKEN_AP_ALT, alt_hold ? 1.0 : 0.0);
}

void Aircraft::apply(const panelhost::KeyEvent& event) {
    const uint32_t previous = previous_event_;
    previous_event_ = event.event;
    auto toggle = [&](uint32_t token) { host_.set_token(token, host_.token(token) == 1.0 ? 0.0 : 1.0); };
    switch (event.event) {
    case evt_vs_ref_set: host_.set_token(TOKEN_AP_VS_REF, event.value); break;
    case evt_alt_ref_set: host_.set_token(TOKEN_AP_ALT_REF, event.value); break;
    case evt_vs_step_up: host_.set_token(TOKEN_AP_VS_REF, host_.token(TOKEN_AP_VS_REF) + 100); break;
    case evt_vs_step_down: host_.set_token(TOKEN_AP_VS_REF, host_.token(TOKEN_AP_VS_REF) - 100); break;
    case evt_vertical_engage_b:
        if (previous == evt_vertical_engage_a) {
            engaged_ = true;
            level_ = false;
            note("aircraft: vertical mode engaged");
        }
        break;
    case evt_vertical_release_b:
        if (previous == evt_vertical_release_a) {
            if (engaged_) note("aircraft: vertical mode released");
            engaged_ = false;
            level_ = false;
            set_mode_tokens(false, false);
        }
        break;
    case evt_hdg_button: toggle(TOKEN_AP_HDG); break;
    case evt_nav_button: toggle(TOKEN_AP_NAV); break;
    case evt_apr_button: toggle(TOKEN_AP_APR); break;
    case evt_rev_button: toggle(TOKEN_AP_REV); break;
    default: break;
    }
}

void Aircraft::step(double seconds) {
    double altitude = host_.token(TOKEN_ALTITUDE);
    if (engaged_ && host_.token(TOKEN_AP_MASTER) == 1.0) {
        const double alt_ref = host_.token(TOKEN_AP_ALT_REF);
        const double vs_ref = host_.token(TOKEN_AP_VS_REF);
        const double rate = std::fabs(vs_ref);
        const double to_go = alt_ref - altitude;
        if (alt_ref != 0.0 && (rate == 0.0 || std::fabs(to_go) <= rate * seconds / 60.0)) {
            // On the reference, within one step of it, or told to hold: level.
            if (rate != 0.0) altitude = alt_ref;
            if (!level_) note("aircraft: level at " + std::to_string(std::lround(altitude)) + " ft");
            level_ = true;
            host_.set_token(TOKEN_ALTITUDE, altitude);
            set_vertical_speed_fpm(0.0);
            set_mode_tokens(false, true);
            return;
        }
        level_ = false;
        set_vertical_speed_fpm(alt_ref == 0.0 ? vs_ref : std::copysign(rate, to_go));
        set_mode_tokens(true, false);
    } else if (engaged_) {
        set_mode_tokens(false, false);  // engaged, but the master is off: the mode is not flying
        level_ = false;
    }
    altitude += vertical_speed_fpm() * seconds / 60.0;
    if (altitude <= 0.0 && vertical_speed_fpm() < 0.0) {
        altitude = 0.0;
        set_vertical_speed_fpm(0.0);
        if (!grounded_) note("aircraft: on the ground");
        grounded_ = true;
    } else if (altitude > 0.0) {
        grounded_ = false;
    }
    host_.set_token(TOKEN_ALTITUDE, altitude);
}

}  // namespace bench
