#include "autopilot/state.h"

#include "module/panels.h"
#include "module/tokens.h"

int32_t ap_master_state = 0;

double ap_vs_mode = 0.0;
double ap_alt_mode = 0.0;
double ap_alt_arm_mode = 0.0;

double ap_vs_work = 0.0;
double ap_vs_ref_work = 0.0;

void ap_mode_engage(double* mode, int32_t vs_ref, int32_t alt_ref) {
    module_send(evt_vs_ref_set, vs_ref);
    module_send(evt_alt_ref_set, alt_ref);
    module_send(evt_vertical_engage_a, 0);
    module_send(evt_vertical_engage_b, 0);
    ap_vs_mode = 0.0;
    ap_alt_mode = 0.0;
    ap_alt_arm_mode = 0.0;
    *mode = 1.0;
}

void ap_mode_release(double* mode) {
    *mode = 0.0;
    module_send(evt_vertical_release_a, 0);
    module_send(evt_vertical_release_b, 0);
}
