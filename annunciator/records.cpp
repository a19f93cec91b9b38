// The "annunciator" gauge: a face with twelve legends, each lit from its
// own token. No state, no key events, no clickable area.
#include "annunciator/lamps.h"
#include "module/gauges.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"

extern GAUGEHDR ann_gauge_header;

static FAILURE_RECORD ann_failures[] = MODULE_FAILURE_LIST;

static ELEMENT_ICON ann_hdg_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_HDG, .position_x = 29, .position_y = 35,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_HDG},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_nav_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_NAV, .position_x = 58, .position_y = 35,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_NAV},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_apr_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_APR, .position_x = 88, .position_y = 35,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_APR},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_rev_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_REV, .position_x = 122, .position_y = 35,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_REV},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_alt_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_ALT, .position_x = 58, .position_y = 46,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_ALT},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_gs_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_GS, .position_x = 86, .position_y = 46,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_GS},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_vs_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_VS, .position_x = 29, .position_y = 46,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_VS},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_rdy_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_RDY, .position_x = 153, .position_y = 58,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_MASTER},
    .image_count = 1,
    .callback = module_entry<ann_rdy_lamp_callback>,
};

static ELEMENT_ICON ann_fd_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_FD, .position_x = 102, .position_y = 46,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_FD},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_cws_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_CWS, .position_x = 121, .position_y = 46,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_VS},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_gpss_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_GPSS, .position_x = 153, .position_y = 35,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_GPSS},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

static ELEMENT_ICON ann_sel_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_ANN_SEL, .position_x = 29, .position_y = 58,
               .gauge = &ann_gauge_header, .failure = ann_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_VS},
    .image_count = 1,
    .callback = module_entry<ann_lamp_callback>,
};

// Children of the face, in update order, ending with null.
static ELEMENT_HEADER* ann_children[] = {
    &ann_hdg_icon.header,
    &ann_nav_icon.header,
    &ann_apr_icon.header,
    &ann_rev_icon.header,
    &ann_alt_icon.header,
    &ann_gs_icon.header,
    &ann_vs_icon.header,
    &ann_rdy_icon.header,
    &ann_fd_icon.header,
    &ann_cws_icon.header,
    &ann_gpss_icon.header,
    &ann_sel_icon.header,
    nullptr,
};

static ELEMENT_STATIC_IMAGE ann_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = BITMAP_ANN_FACE, .position_x = 0, .position_y = 0,
               .gauge = &ann_gauge_header, .next_element = ann_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* ann_element_list[] = {&ann_face.header};

// The structural records only: the gauge takes no clicks.
static MOUSERECT ann_mouse_rects[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
};

GAUGEHDR ann_gauge_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "annunciator",
    .element_list = ann_element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 300,
    .mouse_rect = ann_mouse_rects,
    .service_callback = nullptr,
};
