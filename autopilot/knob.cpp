#include "autopilot/knob.h"

#include "autopilot/state.h"
#include "module/convert.h"
#include "module/panels.h"
#include "module/tokens.h"

static constexpr double KNOB_STEP = 100.0;
// At or beyond this a step lands on the limit itself.
static constexpr double KNOB_LAST_STEP = 1500.0;
static constexpr int32_t KNOB_LIMIT = 1600;

// Between the limits the step is exact: a reference off the hundreds stays
// off them until it reaches a limit.
int32_t MODULE_CALL ap_vs_knob_inc(PIXPOINT*, uint32_t) {
    ap_vs_ref_work = module_lookup(&ap_vs_ref_var);
    if (ap_vs_ref_work >= KNOB_LAST_STEP) {
        module_send(evt_vs_ref_set, KNOB_LIMIT);
    } else {
        ap_vs_ref_work += KNOB_STEP;
        module_send(evt_vs_ref_set, module_to_i16(ap_vs_ref_work));
    }
    return 0;
}

int32_t MODULE_CALL ap_vs_knob_dec(PIXPOINT*, uint32_t) {
    ap_vs_ref_work = module_lookup(&ap_vs_ref_var);
    if (ap_vs_ref_work <= -KNOB_LAST_STEP) {
        module_send(evt_vs_ref_set, -KNOB_LIMIT);
    } else {
        ap_vs_ref_work -= KNOB_STEP;
        module_send(evt_vs_ref_set, module_to_i16(ap_vs_ref_work));
    }
    return 0;
}
