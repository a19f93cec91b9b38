// The null module: a gauge module with the records of the real one, shape
// for shape (the same gauges, children, bitmaps, tokens and mouse areas), and
// callbacks that do nothing but answer a constant. Run through the same host
// loop, it measures the host's share of a panel cycle, so that the real
// module's own share stands out.
#pragma once

#include "module/records.h"

double MODULE_CALL null_icon(ELEMENT_ICON* icon);
double MODULE_CALL null_string(ELEMENT_STRING* string);
int32_t MODULE_CALL null_handler(PIXPOINT* point, uint32_t mouse_flags);
void MODULE_CALL null_service(GAUGEHDR* gauge, int32_t service_id, uint32_t extra);

int32_t MODULE_CALL null_routine(void);
int32_t MODULE_CALL null_install(void* resource_handle);
int32_t MODULE_CALL null_generate(uint32_t phase);

constexpr GAUGE_ROUTINES NULL_ROUTINES = {
    .query = null_routine,
    .install = null_install,
    .initialize = null_routine,
    .update = null_routine,
    .generate = null_generate,
    .draw = null_routine,
    .kill = null_routine,
};

// The gauge headers, in the real module's table order (generated).
extern GAUGEHDR null_gauge_0, null_gauge_1, null_gauge_2, null_gauge_3, null_gauge_4;
