// The "vcaltpreselector" gauge's definition records.
#include "module/gauges.h"
#include "module/tokens.h"

extern GAUGEHDR presel_vc_gauge_header;

static ELEMENT_HEADER* presel_vc_children[] = {nullptr};

static ELEMENT_STATIC_IMAGE presel_vc_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = 5120, .position_x = 0, .position_y = 0,
               .gauge = &presel_vc_gauge_header, .next_element = presel_vc_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* presel_vc_element_list[] = {&presel_vc_face.header};

static MOUSERECT presel_vc_mouse_rects[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
};

GAUGEHDR presel_vc_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "vcaltpreselector",
    .element_list = presel_vc_element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = presel_vc_mouse_rects,
    .service_callback = nullptr,
};
