#include "hardening/null/null_module.h"

double MODULE_CALL null_icon(ELEMENT_ICON*) { return -1.0; }
double MODULE_CALL null_string(ELEMENT_STRING*) { return 0.0; }
int32_t MODULE_CALL null_handler(PIXPOINT*, uint32_t) { return 0; }
void MODULE_CALL null_service(GAUGEHDR*, int32_t, uint32_t) {}

int32_t MODULE_CALL null_routine(void) { return 0; }
int32_t MODULE_CALL null_install(void*) { return 0; }
int32_t MODULE_CALL null_generate(uint32_t) { return 0; }

static void MODULE_CALL null_start_stop(void) {}

extern "C" {

MODULE_EXPORT IMPORT_TABLE ImportTable = {
    .panels = {.id = IMPORT_ID_PANELS, .table = nullptr},
    .end = {.id = IMPORT_ID_END, .table = nullptr},
};

MODULE_EXPORT LINKAGE Linkage = {
    .module_id = 0x13,
    .module_init = null_start_stop,
    .module_deinit = null_start_stop,
    .version = 0x0800,
    .gauge_table = {&null_gauge_0, &null_gauge_1, &null_gauge_2, &null_gauge_3, &null_gauge_4, nullptr},
};

}  // extern "C"
