#include "annunciator/lamps.h"

#include "module/convert.h"

double MODULE_CALL ann_lamp_callback(ELEMENT_ICON* icon) {
    return icon->source.value - 1.0;
}

double MODULE_CALL ann_rdy_lamp_callback(ELEMENT_ICON* icon) {
    return module_low16(icon->source.value) == 1 ? -1.0 : 0.0;
}
