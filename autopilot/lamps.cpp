#include "autopilot/lamps.h"

#include "autopilot/state.h"
#include "module/convert.h"
#include "module/panels.h"
#include "module/tokens.h"

static constexpr double LAMP_HIDDEN = -1.0;
static constexpr double LAMP_SHOWN = 0.0;

// A legend lit from its own token, while the master is engaged.
static double ap_gated_lamp(const ELEMENT_ICON* icon) {
    return ap_master_engaged() ? icon->source.value - 1.0 : LAMP_HIDDEN;
}

double MODULE_CALL ap_rdy_lamp(ELEMENT_ICON* icon) {
    return module_low16(icon->source.value) == 1 ? LAMP_HIDDEN : LAMP_SHOWN;
}

double MODULE_CALL ap_hdg_lamp(ELEMENT_ICON* icon) {
    ap_master_state = module_to_i32(module_lookup(&ap_master_var));
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_nav_lamp(ELEMENT_ICON* icon) {
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_apr_lamp(ELEMENT_ICON* icon) {
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_rev_lamp(ELEMENT_ICON* icon) {
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_gs_lamp(ELEMENT_ICON* icon) {
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_gpss_lamp(ELEMENT_ICON* icon) {
    return ap_gated_lamp(icon);
}

double MODULE_CALL ap_alt_lamp(ELEMENT_ICON*) {
    bool altitude_mode = ap_alt_mode == 1.0 || ap_alt_arm_mode == 1.0;
    return ap_master_engaged() && altitude_mode ? LAMP_SHOWN : LAMP_HIDDEN;
}

double MODULE_CALL ap_vs_lamp(ELEMENT_ICON*) {
    return ap_master_engaged() && ap_vs_mode == 1.0 ? LAMP_SHOWN : LAMP_HIDDEN;
}
