#include "preselector/knob.h"

#include "module/convert.h"
#include "module/panels.h"
#include "module/tokens.h"
#include "preselector/state.h"

namespace {

enum PRESEL_KNOB_TARGET {
    PRESEL_KNOB_NONE,
    PRESEL_KNOB_DH,         // the decision height
    PRESEL_KNOB_ALT_REF,    // the autopilot altitude reference, by key event
    PRESEL_KNOB_VS,         // the vertical-speed reference, by step events
};

// First match wins: decision-height entry, altitude-reference entry, VS mode.
PRESEL_KNOB_TARGET presel_knob_target() {
    const PRESEL_STATE& s = presel_state;
    if (s.presel_dh_entry) return PRESEL_KNOB_DH;
    if (s.presel_alt_entry) return PRESEL_KNOB_ALT_REF;
    if (s.presel_vs_knob) return PRESEL_KNOB_VS;
    return PRESEL_KNOB_NONE;
}

// One click in `direction` (+1 or -1). The decision height moves by 100 ft
// whatever the step size; the altitude reference by 100 ft with PULL TENTHS,
// else 1000 ft, from the host's current reference each time (it may have
// been changed elsewhere). Neither is bounded nor rounded to the step.
void presel_knob_step(int direction) {
    PRESEL_STATE& s = presel_state;
    switch (presel_knob_target()) {
    case PRESEL_KNOB_DH:
        s.presel_dh_value += 100.0 * direction;
        break;
    case PRESEL_KNOB_ALT_REF: {
        double step = s.presel_tenths ? 100.0 : 1000.0;
        double reference = module_lookup(&ap_alt_ref_var) + step * direction;
        module_send(evt_alt_ref_set, module_to_i32(reference));
        break;
    }
    case PRESEL_KNOB_VS:
        module_send(direction > 0 ? evt_vs_step_up : evt_vs_step_down, 0);
        break;
    case PRESEL_KNOB_NONE:
        break;
    }
}

}  // namespace

int32_t MODULE_CALL presel_knob_dec(PIXPOINT*, uint32_t) {
    presel_knob_step(-1);
    return 0;
}

int32_t MODULE_CALL presel_knob_inc(PIXPOINT*, uint32_t) {
    presel_knob_step(+1);
    return 0;
}

// Toggles the altitude step between 1000 ft and 100 ft, in any mode.
int32_t MODULE_CALL presel_knob_pull(PIXPOINT*, uint32_t) {
    presel_state.presel_tenths = !presel_state.presel_tenths;
    return 0;
}
