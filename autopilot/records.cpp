// The "autopilot" gauge's definition records: the face with its nine
// legends and the vertical-speed read-out, the failure list and the mouse
// areas of the six buttons, the arm spot and the two knob halves.
#include "autopilot/buttons.h"
#include "autopilot/knob.h"
#include "autopilot/lamps.h"
#include "autopilot/readout.h"
#include "module/gauges.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"

extern GAUGEHDR ap_gauge_header;

static FAILURE_RECORD ap_failures[] = MODULE_FAILURE_LIST;

// Every legend and the read-out sit on the display window's row.
static constexpr int32_t AP_WINDOW_ROW = 28;

static ELEMENT_ICON ap_rdy_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_RDY, .position_x = 68, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_MASTER},
    .image_count = 1,
    .callback = module_entry<ap_rdy_lamp>,
};

static ELEMENT_ICON ap_hdg_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_HDG, .position_x = 29, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_HDG},
    .image_count = 1,
    .callback = module_entry<ap_hdg_lamp>,
};

static ELEMENT_ICON ap_nav_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_NAV, .position_x = 93, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_NAV},
    .image_count = 1,
    .callback = module_entry<ap_nav_lamp>,
};

static ELEMENT_ICON ap_apr_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_APR, .position_x = 156, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_APR},
    .image_count = 1,
    .callback = module_entry<ap_apr_lamp>,
};

static ELEMENT_ICON ap_rev_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_REV, .position_x = 222, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_REV},
    .image_count = 1,
    .callback = module_entry<ap_rev_lamp>,
};

static ELEMENT_ICON ap_alt_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_ALT, .position_x = 336, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_ALT},
    .image_count = 1,
    .callback = module_entry<ap_alt_lamp>,
};

static ELEMENT_ICON ap_gs_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_GS, .position_x = 376, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_GS},
    .image_count = 1,
    .callback = module_entry<ap_gs_lamp>,
};

static ELEMENT_ICON ap_gpss_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_GPSS, .position_x = 275, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_GPSS},
    .image_count = 1,
    .callback = module_entry<ap_gpss_lamp>,
};

static ELEMENT_ICON ap_vs_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = BITMAP_AP_VS, .position_x = 404, .position_y = AP_WINDOW_ROW,
               .gauge = &ap_gauge_header, .failure = ap_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_VS},
    .image_count = 1,
    .callback = module_entry<ap_vs_lamp>,
};

// Hundreds of ft/min, signed: "%+02i" gives three characters up to 9,949.
static ELEMENT_STRING ap_vs_readout = {
    .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 435,
               .position_y = AP_WINDOW_ROW, .gauge = &ap_gauge_header, .failure = ap_failures,
               .draw_flags = DRAW_FLAGS_STRING},
    .source = {{.id = TOKEN_VERTICAL_SPEED}, {.id = TOKEN_NONE}, {.id = TOKEN_NONE}},
    .box_width = 35,
    .box_height = 18,
    .style = MODULE_STRING_STYLE,
    .char_count = 3,
    .callback = module_entry<ap_vs_string>,
};

// Children of the face, in update order, ending with null. RDY comes
// first and HDG second: the HDG legend refreshes the master state that
// every later gated legend reads in the same pass.
static ELEMENT_HEADER* ap_children[] = {
    &ap_rdy_icon.header,
    &ap_hdg_icon.header,
    &ap_nav_icon.header,
    &ap_apr_icon.header,
    &ap_rev_icon.header,
    &ap_alt_icon.header,
    &ap_gs_icon.header,
    &ap_gpss_icon.header,
    &ap_vs_icon.header,
    &ap_vs_readout.header,
    nullptr,
};

static ELEMENT_STATIC_IMAGE ap_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = BITMAP_AP_FACE, .position_x = 0, .position_y = 0,
               .gauge = &ap_gauge_header, .next_element = ap_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* ap_element_list[] = {&ap_face.header};

// The lateral buttons carry their key events and run no module code; the
// vertical buttons, the arm spot and the knob halves call handlers. The
// arm spot leaves 4 px free toward ALT and 3 px toward VS; the knob halves
// leave a 12 px strip in the middle that takes no clicks.
static MOUSERECT ap_mouse_rects[] = {
    {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
    {.kind = MOUSE_KIND_CHILD, .x = 26, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_hdg_button},
    {.kind = MOUSE_KIND_CHILD, .x = 91, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_nav_button},
    {.kind = MOUSE_KIND_CHILD, .x = 157, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_apr_button},
    {.kind = MOUSE_KIND_CHILD, .x = 222, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_rev_button},
    {.kind = MOUSE_KIND_CHILD, .x = 288, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .handler = module_entry<ap_alt_button>},
    {.kind = MOUSE_KIND_CHILD, .x = 336, .y = 77, .width = 16, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .handler = module_entry<ap_alt_arm_button>},
    {.kind = MOUSE_KIND_CHILD, .x = 355, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
     .mouse_flags = MOUSE_LEFTSINGLE, .handler = module_entry<ap_vs_button>},
    {.kind = MOUSE_KIND_CHILD, .x = 416, .y = 74, .width = 30, .height = 30, .cursor = CURSOR_DOWNARROW,
     .mouse_flags = MOUSE_LEFTSINGLE, .handler = module_entry<ap_vs_knob_dec>},
    {.kind = MOUSE_KIND_CHILD, .x = 458, .y = 74, .width = 30, .height = 30, .cursor = CURSOR_UPARROW,
     .mouse_flags = MOUSE_LEFTSINGLE, .handler = module_entry<ap_vs_knob_inc>},
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
