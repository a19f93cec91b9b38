#include "annunciator/lamps.h"

#include "module/convert.h"

double MODULE_CALL ann_lamp_callback(ELEMENT_ICON* icon) {
    return icon->source.value - 1.0;
}

double MODULE_CALL ann_rdy_lamp_callback(ELEMENT_ICON* icon) {
    uint16_t low = static_cast<uint16_t>(static_cast<uint32_t>(module_to_i32(icon->source.value)));
    return low == 1 ? -1.0 : 0.0;
}
