// The annunciator's two lamp callbacks. Each answers from its icon's own
// source value alone: no host service, no module variable.
#pragma once

#include "module/records.h"

// Source value minus 1.0: a token of 1 shows the legend, 0 hides it.
double MODULE_CALL ann_lamp_callback(ELEMENT_ICON* icon);

// RDY: hidden while the low 16 bits of the truncated value equal 1 (the
// autopilot engaged), shown otherwise.
double MODULE_CALL ann_rdy_lamp_callback(ELEMENT_ICON* icon);
