// "altpreselector": the two-dimensional instrument with clickable buttons
// and knob, the alerts and the chime.
#include "preselector/records.h"
#include "preselector/service.h"

static constinit PRESEL_ELEMENTS presel_elements_2d =
    presel_elements(&presel_elements_2d, &presel_gauge_header, module_entry<presel_altitude_string>);

static constinit PRESEL_MOUSE_LIST presel_mouse_2d = presel_mouse_list();

GAUGEHDR presel_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "altpreselector",
    .element_list = presel_elements_2d.element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = presel_mouse_2d.areas,
    .service_callback = module_entry<presel_service_chime>,
};
