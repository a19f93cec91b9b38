// "altpreselectornosnd": the same instrument and controls, with neither
// alerts nor chime.
#include "preselector/records.h"
#include "preselector/service.h"

static constinit PRESEL_ELEMENTS presel_elements_nosnd =
    presel_elements(&presel_elements_nosnd, &presel_nosnd_gauge_header, module_entry<presel_altitude_string_nosnd>);

static constinit PRESEL_MOUSE_LIST presel_mouse_nosnd = presel_mouse_list();

GAUGEHDR presel_nosnd_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "altpreselectornosnd",
    .element_list = presel_elements_nosnd.element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = presel_mouse_nosnd.areas,
    .service_callback = module_entry<presel_service_quiet>,
};
