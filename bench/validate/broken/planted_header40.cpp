// A planted fault for the validator's tests, replacing the annunciator's
// lamp callbacks: the plain lamp shows its legend whenever word 40 of its
// gauge's header is not 0. That word is the engine's, 0 in the data, so the
// fault shows only once the engine keeps its working data there. Built into
// planted_header40, which is otherwise the real module.
#include "annunciator/lamps.h"
#include "module/convert.h"

double MODULE_CALL ann_lamp_callback(ELEMENT_ICON* icon) {
    if (icon->header.gauge->reserved_22_63[40 - 22] != 0) return 0.0;
    return icon->source.value - 1.0;
}

double MODULE_CALL ann_rdy_lamp_callback(ELEMENT_ICON* icon) {
    return module_low16(icon->source.value) == 1 ? -1.0 : 0.0;
}
