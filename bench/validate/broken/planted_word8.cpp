// A planted fault for the validator's tests, replacing the autopilot's VS
// knob: it refreshes the reference through PANELS word 8, where a nine-slot
// table would keep lookup_var but the engine keeps another service. Built
// into planted_word8, which is otherwise the real module.
#include "autopilot/knob.h"
#include "autopilot/state.h"
#include "module/convert.h"
#include "module/panels.h"
#include "module/tokens.h"

static double planted_lookup(MODULE_VAR* var) {
    const PANELS_WORD* words = reinterpret_cast<const PANELS_WORD*>(module_panels());
    reinterpret_cast<int32_t(MODULE_CALL*)(MODULE_VAR*)>(words[8])(var);
    return var->value;
}

int32_t MODULE_CALL ap_vs_knob_inc(PIXPOINT*, uint32_t) {
    ap_vs_ref_work = planted_lookup(&ap_vs_ref_var) + 100.0;
    module_send(evt_vs_ref_set, module_to_i16(ap_vs_ref_work));
    return 0;
}

int32_t MODULE_CALL ap_vs_knob_dec(PIXPOINT*, uint32_t) {
    ap_vs_ref_work = planted_lookup(&ap_vs_ref_var) - 100.0;
    module_send(evt_vs_ref_set, module_to_i16(ap_vs_ref_work));
    return 0;
}
