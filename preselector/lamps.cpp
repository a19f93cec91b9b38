#include "preselector/lamps.h"

#include "preselector/state.h"

static double presel_lamp(uint32_t flag) {
    return double(flag) - 1.0;
}

double MODULE_CALL presel_ent_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_entry_mode);
}

double MODULE_CALL presel_alt_lamp(ELEMENT_ICON*) {
    const PRESEL_STATE& s = presel_state;
    return presel_lamp(s.presel_show_actual ? s.presel_show_actual : s.presel_alt_lit);
}

double MODULE_CALL presel_sel_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_sel_lit);
}

double MODULE_CALL presel_alr_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_alert_armed);
}

double MODULE_CALL presel_dh_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_dh_armed);
}

double MODULE_CALL presel_vs_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_vs_lit);
}

double MODULE_CALL presel_baro_lamp(ELEMENT_ICON*) {
    return presel_lamp(presel_state.presel_baro_display);
}
