// The autopilot's nine legend callbacks. Each answers -1.0 to hide its
// legend and 0.0 to show it; a lamp that passes its token through answers
// the token's value minus 1.0.
//
// Every legend but RDY shows only while the autopilot master is engaged.
// The HDG legend refreshes the master state; it stands ahead of every other
// gated legend in the face's list, so one pass uses one master state.
#pragma once

#include "module/records.h"

// Shown while the master token's low 16 bits are not 1. Not gated.
double MODULE_CALL ap_rdy_lamp(ELEMENT_ICON* icon);
// Refreshes the master state, then answers as the plain gated lamps.
double MODULE_CALL ap_hdg_lamp(ELEMENT_ICON* icon);
// Plain gated lamps: own value minus 1.0 while engaged, else hidden.
double MODULE_CALL ap_nav_lamp(ELEMENT_ICON* icon);
double MODULE_CALL ap_apr_lamp(ELEMENT_ICON* icon);
double MODULE_CALL ap_rev_lamp(ELEMENT_ICON* icon);
double MODULE_CALL ap_gs_lamp(ELEMENT_ICON* icon);
double MODULE_CALL ap_gpss_lamp(ELEMENT_ICON* icon);
// Lit from the panel's own mode memory, not from their tokens.
double MODULE_CALL ap_alt_lamp(ELEMENT_ICON* icon);
double MODULE_CALL ap_vs_lamp(ELEMENT_ICON* icon);
