#include "autopilot/readout.h"

#include "autopilot/state.h"
#include "module/convert.h"
#include "module/panels.h"
#include "module/text.h"
#include "module/tokens.h"

double MODULE_CALL ap_vs_string(ELEMENT_STRING* string) {
    ap_vs_work = module_lookup(&ap_vertical_speed_var) / MODULE_VS_UNITS_PER_FPM;
    int32_t speed = module_to_i32(ap_vs_work);
    // Climbs go to the nearest hundred, halves upward; descents are cut
    // toward zero (the remainder keeps the speed's sign, so a negative one
    // never rounds).
    int32_t hundreds = speed / 100;
    int32_t rest = speed - 100 * hundreds;
    if (rest >= 50) hundreds += 1;
    module_write_signed(string, hundreds);
    return string->source[0].value;
}
