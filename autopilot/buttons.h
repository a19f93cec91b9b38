// The panel's vertical-mode push buttons: VS, ALT and the unlabelled arm
// spot between them. Each engages its mode (and drops any other), or
// releases it when it is the one engaged. Neither argument is read; the
// answer is always 0.
#pragma once

#include "module/records.h"

// VS: climb or descend at the present vertical speed (+100 ft/min when
// nearly level).
int32_t MODULE_CALL ap_vs_button(PIXPOINT* point, uint32_t mouse_flags);
// ALT: hold the present altitude.
int32_t MODULE_CALL ap_alt_button(PIXPOINT* point, uint32_t mouse_flags);
// ARM: fly the present vertical-speed reference to the altitude reference.
// Refused, silently, while the altitude reference is 0.
int32_t MODULE_CALL ap_alt_arm_button(PIXPOINT* point, uint32_t mouse_flags);
