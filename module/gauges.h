// The five gauge headers, in the order of the gauge table, and the shared
// routines every header names.
#pragma once

#include "module/records.h"
#include "module/x87_guard.h"

extern GAUGEHDR presel_gauge_header;        // "altpreselector"
extern GAUGEHDR presel_vc_gauge_header;     // "vcaltpreselector"
extern GAUGEHDR presel_nosnd_gauge_header;  // "altpreselectornosnd"
extern GAUGEHDR ap_gauge_header;            // "autopilot"
extern GAUGEHDR ann_gauge_header;           // "annunciator"

int32_t MODULE_CALL module_query(void);
int32_t MODULE_CALL module_install(void* resource_handle);
int32_t MODULE_CALL module_initialize(void);
int32_t MODULE_CALL module_update(void);
int32_t MODULE_CALL module_generate(uint32_t phase);
int32_t MODULE_CALL module_draw(void);
int32_t MODULE_CALL module_kill(void);

void MODULE_CALL module_init(void);
void MODULE_CALL module_deinit(void);

// The seven generic routines, as every gauge header names them.
constexpr GAUGE_ROUTINES MODULE_GENERIC_ROUTINES = {
    .query = module_entry<module_query>,
    .install = module_entry<module_install>,
    .initialize = module_entry<module_initialize>,
    .update = module_entry<module_update>,
    .generate = module_entry<module_generate>,
    .draw = module_entry<module_draw>,
    .kill = module_entry<module_kill>,
};
