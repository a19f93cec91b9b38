// The seven lamps. Each answers from the preselector state, not from its
// element's own source value: its flag minus 1.0, so 0.0 (lit) for 1 and
// -1.0 (hidden) for 0.
#pragma once

#include "module/records.h"

double MODULE_CALL presel_ent_lamp(ELEMENT_ICON* icon);
// ALT: lit while the aircraft altitude is shown, else by its own flag.
double MODULE_CALL presel_alt_lamp(ELEMENT_ICON* icon);
double MODULE_CALL presel_sel_lamp(ELEMENT_ICON* icon);
double MODULE_CALL presel_alr_lamp(ELEMENT_ICON* icon);
double MODULE_CALL presel_dh_lamp(ELEMENT_ICON* icon);
double MODULE_CALL presel_vs_lamp(ELEMENT_ICON* icon);
double MODULE_CALL presel_baro_lamp(ELEMENT_ICON* icon);
