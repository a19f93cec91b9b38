// The broken "autopilot": the real panel's face, legends and handlers where
// they serve, and one planted fault per record for the validator to find.
// Built twice: as it is, and with BROKEN_CRASH, where the knob's handler
// faults when the altitude reference comes as NaN.
#include <cstdio>
#include <cstring>

#include "autopilot/buttons.h"
#include "autopilot/lamps.h"
#include "autopilot/readout.h"
#include "module/gauges.h"
#include "module/panels.h"
#include "module/tokens.h"
#include "bench/validate/broken/broken_autopilot.h"

// Fault: the second condition is 22, not 21.
static FAILURE_RECORD broken_failures[] = {
    {.condition = 20, .action = 3},
    {.condition = 22, .action = 3},
    {.condition = 0, .action = 0},
};

static MODULE_VAR broken_alt_ref_var = {.id = TOKEN_AP_ALT_REF};

// Fault: answers -0.5 for a token at 1 instead of 0.
static double MODULE_CALL broken_half_lamp(ELEMENT_ICON* icon) {
    return icon->source.value * 0.5 - 1.0;
}

// Fault: copies its text with a bound and no terminator, so a long text
// (a huge value printed in full) leaves the buffer unterminated.
static double MODULE_CALL broken_unterminated_string(ELEMENT_STRING* string) {
    char text[400];
    std::snprintf(text, sizeof text, "%.1f", string->source[0].value / 1000.0);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#endif
    std::strncpy(string->text, text, MODULE_TEXT_BUFFER_SIZE);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    return string->source[0].value;
}

// Fault: believes the buffer holds 48 bytes.
static double MODULE_CALL broken_overrun_string(ELEMENT_STRING* string) {
    std::snprintf(string->text, 48, "%+.1f", string->source[0].value);
    return string->source[0].value;
}

// Fault: sends a key event the module does not have.
static int32_t MODULE_CALL broken_stray_event_button(PIXPOINT*, uint32_t) {
    module_send(12345, 0);
    return 0;
}

// Fault: sends the first of the engage pair without the second, and
// answers 1.
static int32_t MODULE_CALL broken_half_pair_button(PIXPOINT*, uint32_t) {
    module_send(evt_vertical_engage_a, 0);
    return 1;
}

// With BROKEN_CRASH: writes through a null pointer when the altitude
// reference is NaN.
static int32_t MODULE_CALL broken_knob(PIXPOINT*, uint32_t) {
    double reference = module_lookup(&broken_alt_ref_var);
#if defined(BROKEN_CRASH)
    if (reference != reference) *static_cast<volatile int*>(nullptr) = 1;
#endif
    module_send(evt_vs_ref_set, reference > 0 ? 100 : -100);
    return 0;
}

// Fault: image count 2.
static ELEMENT_ICON broken_hdg_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = 4099, .position_x = 29, .position_y = 28,
               .gauge = BROKEN_AP_HEADER, .failure = broken_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_HDG},
    .image_count = 2,
    .callback = ap_hdg_lamp,
};

// Fault: points to the annunciator's header.
static ELEMENT_ICON broken_nav_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = 4102, .position_x = 93, .position_y = 28,
               .gauge = &ann_gauge_header, .failure = broken_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_NAV},
    .image_count = 1,
    .callback = ap_nav_lamp,
};

// Fault: draw flags 0x5.
static ELEMENT_ICON broken_apr_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = 4105, .position_x = 156, .position_y = 28,
               .gauge = BROKEN_AP_HEADER, .failure = broken_failures, .draw_flags = 0x5},
    .source = {.id = TOKEN_AP_APR},
    .image_count = 1,
    .callback = ap_apr_lamp,
};

// Fault: bitmap 4100, which the module does not have.
static ELEMENT_ICON broken_rev_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = 4100, .position_x = 222, .position_y = 28,
               .gauge = BROKEN_AP_HEADER, .failure = broken_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_REV},
    .image_count = 1,
    .callback = ap_rev_lamp,
};

// Fault: a lamp answer that is neither -1 nor 0.
static ELEMENT_ICON broken_rdy_icon = {
    .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = 4118, .position_x = 68, .position_y = 28,
               .gauge = BROKEN_AP_HEADER, .failure = broken_failures, .draw_flags = DRAW_FLAGS_ICON},
    .source = {.id = TOKEN_AP_MASTER},
    .image_count = 1,
    .callback = broken_half_lamp,
};

// The real read-out, sound.
static ELEMENT_STRING broken_vs_string = {
    .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 435,
               .position_y = 28, .gauge = BROKEN_AP_HEADER, .failure = broken_failures,
               .draw_flags = DRAW_FLAGS_STRING},
    .source = {{.id = TOKEN_VERTICAL_SPEED}},
    .box_width = 35,
    .box_height = 18,
    .style = MODULE_STRING_STYLE,
    .char_count = 3,
    .callback = ap_vs_string,
};

// Fault: leaves its text unterminated for huge values.
static ELEMENT_STRING broken_unterminated = {
    .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 300,
               .position_y = 50, .gauge = BROKEN_AP_HEADER, .failure = broken_failures,
               .draw_flags = DRAW_FLAGS_STRING},
    .source = {{.id = TOKEN_ALTITUDE}},
    .box_width = 46,
    .box_height = 15,
    .style = MODULE_STRING_STYLE,
    .char_count = 4,
    .callback = broken_unterminated_string,
};

// Fault: writes past the 32-byte buffer for long texts.
static ELEMENT_STRING broken_overrun = {
    .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 360,
               .position_y = 50, .gauge = BROKEN_AP_HEADER, .failure = broken_failures,
               .draw_flags = DRAW_FLAGS_STRING},
    .source = {{.id = TOKEN_AP_VS_REF}},
    .box_width = 46,
    .box_height = 15,
    .style = MODULE_STRING_STYLE,
    .char_count = 6,
    .callback = broken_overrun_string,
};

// Faults: a character count its text at rest does not fit, another font, and
// a second source variable with a token.
static ELEMENT_STRING broken_styled = {
    .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 420,
               .position_y = 50, .gauge = BROKEN_AP_HEADER, .failure = broken_failures,
               .draw_flags = DRAW_FLAGS_STRING},
    .source = {{.id = TOKEN_AP_ALT_REF}, {.id = TOKEN_ALTITUDE}},
    .box_width = 46,
    .box_height = 15,
    .style = {.text_colour = MODULE_STRING_STYLE.text_colour,
              .background_colour = MODULE_STRING_STYLE.background_colour,
              .highlight_colour = MODULE_STRING_STYLE.highlight_colour,
              .font_name = "COURIER",
              .font_weight = 400,
              .charset = 1,
              .placement_flags = 0x25},
    .char_count = 2,
    .callback = broken_unterminated_string,
};

static ELEMENT_HEADER* broken_children[] = {
    &broken_rdy_icon.header,      &broken_hdg_icon.header,     &broken_nav_icon.header,
    &broken_apr_icon.header,      &broken_rev_icon.header,     &broken_vs_string.header,
    &broken_unterminated.header,  &broken_overrun.header,      &broken_styled.header,
    nullptr,
};

static ELEMENT_STATIC_IMAGE broken_face = {
    .header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = 4096, .position_x = 0, .position_y = 0,
               .gauge = BROKEN_AP_HEADER, .next_element = broken_children, .draw_flags = DRAW_FLAGS_FACE},
};

static ELEMENT_HEADER* broken_element_list[] = {&broken_face.header};

static int32_t MODULE_CALL broken_quiet_button(PIXPOINT*, uint32_t) {
    return 0;
}

// Faults: 400 mm wide instead of 500; 32 words, with the mouse list in the
// words after them (broken_autopilot.h).
BROKEN_SHORT_HEADER broken_ap_short_header = {
    .version = GAUGE_HEADER_VERSION,
    .name = "autopilot",
    .element_list = broken_element_list,
    .routines = MODULE_GENERIC_ROUTINES,
    .size_x_mm = 400,
    .mouse_rect = broken_ap_short_header.mouse_rects,
    .service_callback = nullptr,
    .mouse_rects = {
        {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
        // Sound: the real HDG button.
        {.kind = MOUSE_KIND_CHILD, .x = 26, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_hdg_button},
        // Fault: both a key event and a handler.
        {.kind = MOUSE_KIND_CHILD, .x = 91, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .event = evt_nav_button, .handler = broken_quiet_button},
        // Fault: neither.
        {.kind = MOUSE_KIND_CHILD, .x = 157, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE},
        // Fault: overlaps the one before; its handler sends a stray key event.
        {.kind = MOUSE_KIND_CHILD, .x = 190, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .handler = broken_stray_event_button},
        // Fault: a key event the module does not have.
        {.kind = MOUSE_KIND_CHILD, .x = 288, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .event = 70000},
        // Sound: the real VS button.
        {.kind = MOUSE_KIND_CHILD, .x = 355, .y = 77, .width = 44, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .handler = ap_vs_button},
        // Fault: half of the engage pair, and an answer of 1.
        {.kind = MOUSE_KIND_CHILD, .x = 336, .y = 77, .width = 16, .height = 18, .cursor = CURSOR_HAND,
         .mouse_flags = MOUSE_LEFTSINGLE, .handler = broken_half_pair_button},
        // The knob (with BROKEN_CRASH, it faults on a NaN reference).
        {.kind = MOUSE_KIND_CHILD, .x = 416, .y = 74, .width = 30, .height = 30, .cursor = CURSOR_DOWNARROW,
         .mouse_flags = MOUSE_LEFTSINGLE, .handler = broken_knob},
        // Fault: reaches past the face's right and bottom edges.
        {.kind = MOUSE_KIND_CHILD, .x = 480, .y = 100, .width = 40, .height = 30, .cursor = CURSOR_UPARROW,
         .mouse_flags = MOUSE_LEFTSINGLE, .handler = broken_quiet_button},
        // Fault: a structural record with an action.
        {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE, .handler = broken_quiet_button},
        {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
    },
};
