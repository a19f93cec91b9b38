// The two read-outs. Each writes its text into the host's buffer and returns
// the element's own first source value unchanged.
#pragma once

#include "module/records.h"

// The autopilot's vertical-speed reference in hundreds of ft/min, sign
// always written ("+12", "-1", "+0").
double MODULE_CALL presel_vs_string(ELEMENT_STRING* string);

// Thousands of feet with one decimal, right-aligned in four characters
// (" 0.9", "12.5"): the decision height while it is edited, else the baro
// setting (unscaled) while selected in entry mode, else the aircraft
// altitude while shown, else the altitude reference. After writing, this
// one evaluates the two alerts.
double MODULE_CALL presel_altitude_string(ELEMENT_STRING* string);
// The same read-out without the alerts.
double MODULE_CALL presel_altitude_string_nosnd(ELEMENT_STRING* string);
// The same read-out without the alerts and without the baro case: the
// altitude reference is shown where the others show the baro setting.
double MODULE_CALL presel_altitude_string_vc(ELEMENT_STRING* string);
