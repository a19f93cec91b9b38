// The two records the host finds the module by: ImportTable, which the host
// fills with its PANELS address, and Linkage, which names the start and stop
// routines and lists the five gauges.
#include "module/gauges.h"

extern "C" {

MODULE_EXPORT IMPORT_TABLE ImportTable = {
    .panels = {.id = IMPORT_ID_PANELS, .table = nullptr},
    .end = {.id = IMPORT_ID_END, .table = nullptr},
};

MODULE_EXPORT LINKAGE Linkage = {
    .module_id = 0x13,
    .module_init = module_entry<module_init>,
    .module_deinit = module_entry<module_deinit>,
    .flags = 0,
    .priority = 0,
    .version = 0x0800,
    .gauge_table =
        {
            &presel_gauge_header,
            &presel_vc_gauge_header,
            &presel_nosnd_gauge_header,
            &ap_gauge_header,
            &ann_gauge_header,
            nullptr,
        },
};

}  // extern "C"
