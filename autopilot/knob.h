// The VS knob: each click steps the vertical-speed reference by 100 ft/min
// within +-1600 and sends it. The knob reads no mode and changes none.
// Neither argument is read; the answer is always 0.
#pragma once

#include "module/records.h"

int32_t MODULE_CALL ap_vs_knob_inc(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL ap_vs_knob_dec(PIXPOINT* point, uint32_t mouse_flags);
