#include "preselector/buttons.h"

#include "preselector/state.h"

// Entry mode: leave it, ending altitude-reference and decision-height entry
// and showing the altitude reference lamps. Normal mode: go back to entry
// mode, disarming both alerts.
int32_t MODULE_CALL presel_dta_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) {
        s.presel_entry_mode = 0;
        s.presel_baro_display = 0;
        s.presel_alt_lit = 1;
        s.presel_sel_lit = 1;
        s.presel_alt_entry = 0;
        s.presel_dh_entry = 0;
    } else {
        s.presel_entry_mode = 1;
        s.presel_dh_armed = 0;
        s.presel_alert_armed = 0;
    }
    return 0;
}

// Entry mode: toggles the baro read-out. Normal mode: ignored.
int32_t MODULE_CALL presel_bar_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) s.presel_baro_display = !s.presel_baro_display;
    return 0;
}

// Entry mode: the knob steps the altitude reference, which the read-out
// shows (the VS lamp stays as it is). Normal mode: toggles the read-out
// between the altitude reference and the aircraft altitude.
int32_t MODULE_CALL presel_alt_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) {
        s.presel_alt_lit = 1;
        s.presel_sel_lit = 1;
        s.presel_baro_display = 0;
        s.presel_show_actual = 0;
        s.presel_alt_entry = 1;
        s.presel_vs_knob = 0;
        s.presel_dh_entry = 0;
    } else if (s.presel_alt_lit) {
        s.presel_alt_lit = 0;
        s.presel_sel_lit = 0;
        s.presel_show_actual = 1;
    } else {
        s.presel_alt_lit = 1;
        s.presel_show_actual = 0;
        s.presel_sel_lit = 1;
    }
    return 0;
}

// Normal mode: arms the altitude alerter afresh (all four one-shots
// cleared) or disarms it. Entry mode: ignored.
int32_t MODULE_CALL presel_alr_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) return 0;
    if (!s.presel_alert_armed) {
        s.presel_alert_armed = 1;
        for (uint32_t& done : s.presel_alert_done) done = 0;
    } else {
        s.presel_alert_armed = 0;
    }
    return 0;
}

// Entry mode: arms the decision-height alert and starts editing the decision
// height; the one-shots keep their values, so chimes already given are not
// repeated. Normal mode: arms afresh (one-shots cleared) or disarms.
int32_t MODULE_CALL presel_dh_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) {
        s.presel_dh_armed = 1;
        s.presel_dh_entry = 1;
        s.presel_baro_display = 0;
    } else if (!s.presel_dh_armed) {
        s.presel_dh_armed = 1;
        s.presel_dh_approach_done = 0;
        s.presel_dh_below_done = 0;
    } else {
        s.presel_dh_armed = 0;
        s.presel_dh_entry = 0;
    }
    return 0;
}

// Normal mode: VS lamp and the knob's vertical-speed target toggle
// together. Entry mode: ignored.
int32_t MODULE_CALL presel_vs_button(PIXPOINT*, uint32_t) {
    PRESEL_STATE& s = presel_state;
    if (s.presel_entry_mode) return 0;
    if (!s.presel_vs_lit) {
        s.presel_vs_lit = 1;
        s.presel_vs_knob = 1;
    } else {
        s.presel_vs_lit = 0;
        s.presel_vs_knob = 0;
    }
    return 0;
}

// MAN has no effect in either mode.
int32_t MODULE_CALL presel_man_button(PIXPOINT*, uint32_t) {
    return 0;
}
