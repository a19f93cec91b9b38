// "vcaltpreselector": the instrument for the virtual cockpit. It shows the
// shared state (the altitude reference where the others show the baro
// setting) and takes no clicks.
#include "preselector/records.h"
#include "preselector/service.h"

static constinit PRESEL_ELEMENTS presel_elements_vc =
    presel_elements(&presel_elements_vc, &presel_vc_gauge_header, module_entry<presel_altitude_string_vc>);

// The structural records only: no clickable area.
static MOUSERECT presel_mouse_vc[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
};

GAUGEHDR presel_vc_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "vcaltpreselector",
    .element_list = presel_elements_vc.element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = presel_mouse_vc,
    .service_callback = module_entry<presel_service_quiet>,
};
