// The "altpreselectornosnd" gauge's definition records.
#include "module/gauges.h"
#include "module/tokens.h"

extern GAUGEHDR presel_nosnd_gauge_header;

static ELEMENT_HEADER* presel_nosnd_children[] = {nullptr};

static ELEMENT_STATIC_IMAGE presel_nosnd_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = 5120, .position_x = 0, .position_y = 0,
               .gauge = &presel_nosnd_gauge_header, .next_element = presel_nosnd_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* presel_nosnd_element_list[] = {&presel_nosnd_face.header};

static MOUSERECT presel_nosnd_mouse_rects[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
};

GAUGEHDR presel_nosnd_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "altpreselectornosnd",
    .element_list = presel_nosnd_element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = presel_nosnd_mouse_rects,
    .service_callback = nullptr,
};
