// The rotary knob: decrement (left part), increment (right part) and PULL
// TENTHS (centre). It acts the same in both modes, on whichever target the
// state selects. Neither the click point nor the mouse flags are read; each
// handler returns 0.
#pragma once

#include "module/host_interface.h"

int32_t MODULE_CALL presel_knob_dec(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_knob_inc(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_knob_pull(PIXPOINT* point, uint32_t mouse_flags);
