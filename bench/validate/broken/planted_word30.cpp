// A planted fault for the validator's tests, replacing the annunciator's
// lamp callbacks: the plain lamp erases its gauge's element list through
// PANELS word 30 (element_list_erase), a service the module never calls.
// Built into planted_word30, which is otherwise the real module.
#include "annunciator/lamps.h"
#include "module/convert.h"
#include "module/panels.h"

double MODULE_CALL ann_lamp_callback(ELEMENT_ICON* icon) {
    auto erase = reinterpret_cast<int32_t(MODULE_CALL*)(ELEMENT_HEADER*)>(module_panels()->engine_30);
    erase(icon->header.gauge->element_list[0]);
    return icon->source.value - 1.0;
}

double MODULE_CALL ann_rdy_lamp_callback(ELEMENT_ICON* icon) {
    return module_low16(icon->source.value) == 1 ? -1.0 : 0.0;
}
