// The seven push buttons. Every button but MAN acts according to entry or
// normal mode; a flag a button does not name keeps its value. Neither the
// click point nor the mouse flags are read; each handler returns 0.
#pragma once

#include "module/host_interface.h"

int32_t MODULE_CALL presel_dta_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_bar_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_alt_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_alr_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_dh_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_vs_button(PIXPOINT* point, uint32_t mouse_flags);
int32_t MODULE_CALL presel_man_button(PIXPOINT* point, uint32_t mouse_flags);
