// The "autopilot" gauge's definition records.
#include "module/gauges.h"
#include "module/tokens.h"

extern GAUGEHDR ap_gauge_header;

static ELEMENT_HEADER* ap_children[] = {nullptr};

static ELEMENT_STATIC_IMAGE ap_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = 4096, .position_x = 0, .position_y = 0,
               .gauge = &ap_gauge_header, .next_element = ap_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* ap_element_list[] = {&ap_face.header};

static MOUSERECT ap_mouse_rects[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
};

GAUGEHDR ap_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "autopilot",
    .element_list = ap_element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 500,
    .mouse_rect = ap_mouse_rects,
    .service_callback = nullptr,
};
