#include "autopilot/buttons.h"

#include "autopilot/state.h"
#include "module/convert.h"
#include "module/panels.h"
#include "module/tokens.h"

// Speeds strictly between these engage VS at +100 ft/min instead.
static constexpr double VS_LEVEL_LIMIT = 100.0;

int32_t MODULE_CALL ap_vs_button(PIXPOINT*, uint32_t) {
    if (ap_vs_mode != 0.0) {
        ap_mode_release(&ap_vs_mode);
        return 0;
    }
    ap_vs_work = module_lookup(&ap_vertical_speed_var) / MODULE_VS_UNITS_PER_FPM;
    if (-VS_LEVEL_LIMIT < ap_vs_work && ap_vs_work < VS_LEVEL_LIMIT) ap_vs_work = VS_LEVEL_LIMIT;
    ap_mode_engage(&ap_vs_mode, module_to_i32(ap_vs_work), 0);
    return 0;
}

int32_t MODULE_CALL ap_alt_button(PIXPOINT*, uint32_t) {
    if (ap_alt_mode != 0.0) {
        ap_mode_release(&ap_alt_mode);
        return 0;
    }
    int32_t altitude = module_to_i32(module_lookup(&ap_altitude_var));
    ap_vs_work = 0.0;
    ap_mode_engage(&ap_alt_mode, module_to_i32(ap_vs_work), altitude);
    return 0;
}

int32_t MODULE_CALL ap_alt_arm_button(PIXPOINT*, uint32_t) {
    if (module_to_i32(module_lookup(&ap_alt_ref_var)) == 0) return 0;
    if (ap_alt_arm_mode != 0.0) {
        ap_mode_release(&ap_alt_arm_mode);
        return 0;
    }
    int32_t altitude_ref = module_to_i32(module_lookup(&ap_alt_ref_var));
    double speed_ref = module_lookup(&ap_vs_ref_var);
    ap_mode_engage(&ap_alt_arm_mode, module_to_i32(speed_ref), altitude_ref);
    return 0;
}
