// The seven generic gauge routines shared by all five headers. Each forwards
// to one PANELS operation and returns its result unchanged. Whichever header
// the host reaches them through, they act on the root element of the first
// gauge of the table ("altpreselector"): the host handles every other gauge's
// element tree through that gauge's own header.
#include "module/gauges.h"
#include "module/panels.h"

extern "C" LINKAGE Linkage;

static ELEMENT_HEADER* module_first_root() {
    return Linkage.gauge_table[0]->element_list[0];
}

int32_t MODULE_CALL module_query(void) {
    return module_panels()->element_list_query(module_first_root());
}

int32_t MODULE_CALL module_install(void* resource_handle) {
    return module_panels()->element_list_install(module_first_root(), resource_handle);
}

int32_t MODULE_CALL module_initialize(void) {
    return module_panels()->element_list_initialize(module_first_root());
}

int32_t MODULE_CALL module_update(void) {
    return module_panels()->element_list_update(module_first_root());
}

int32_t MODULE_CALL module_generate(uint32_t phase) {
    return module_panels()->element_list_generate(module_first_root(), phase);
}

int32_t MODULE_CALL module_draw(void) {
    return module_panels()->element_list_plot(module_first_root());
}

int32_t MODULE_CALL module_kill(void) {
    return module_panels()->element_list_kill(module_first_root());
}
