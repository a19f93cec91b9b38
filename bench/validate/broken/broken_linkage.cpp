// A deliberately broken module for the validator's tests: the real module
// with its "autopilot" swapped for a copy whose records break the rules the
// validator checks (broken_autopilot.cpp). The other four gauges are the
// real ones.
#include "bench/validate/broken/broken_autopilot.h"
#include "module/gauges.h"

extern "C" {

MODULE_EXPORT IMPORT_TABLE ImportTable = {
    .panels = {.id = IMPORT_ID_PANELS, .table = nullptr},
    .end = {.id = IMPORT_ID_END, .table = nullptr},
};

MODULE_EXPORT LINKAGE Linkage = {
    .module_id = 0x13,
    .module_init = module_init,
    .module_deinit = module_deinit,
    .flags = 0,
    .priority = 0,
    .version = 0x0800,
    .gauge_table =
        {
            &presel_gauge_header,
            &presel_vc_gauge_header,
            &presel_nosnd_gauge_header,
            BROKEN_AP_HEADER,
            &ann_gauge_header,
            nullptr,
        },
};

}  // extern "C"
