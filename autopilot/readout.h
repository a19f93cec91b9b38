// The vertical-speed read-out: the aircraft's present vertical speed in
// hundreds of feet per minute, always signed ("+0" when level).
#pragma once

#include "module/records.h"

// Writes the read-out text and answers the element's own first source
// value unchanged.
double MODULE_CALL ap_vs_string(ELEMENT_STRING* string);
