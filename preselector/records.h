// The definition records of one preselector rendition. The three renditions
// share face, layout and controls but each has its own copy of every record:
// these builders make one rendition's set, pointing at its own header.
#pragma once

#include "module/gauges.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"
#include "preselector/buttons.h"
#include "preselector/knob.h"
#include "preselector/lamps.h"
#include "preselector/readouts.h"

// One rendition's element tree (the face and its nine children, in list
// order) and the failure list every child carries.
struct PRESEL_ELEMENTS {
    FAILURE_RECORD failures[3];
    ELEMENT_STATIC_IMAGE face;
    ELEMENT_ICON ent_lamp;
    ELEMENT_ICON alt_lamp;
    ELEMENT_ICON baro_lamp;
    ELEMENT_ICON sel_lamp;
    ELEMENT_ICON alr_lamp;
    ELEMENT_ICON dh_lamp;
    ELEMENT_ICON vs_lamp;
    ELEMENT_STRING vs_readout;
    ELEMENT_STRING altitude_readout;
    ELEMENT_HEADER* children[10];      // null-terminated
    ELEMENT_HEADER* element_list[1];   // the header's one slot: the face
};

// The elements of the rendition whose records are `self`, owned by `gauge`,
// with `altitude_readout` as the altitude read-out's callback (the one
// place where the renditions' trees differ).
constexpr PRESEL_ELEMENTS presel_elements(PRESEL_ELEMENTS* self, GAUGEHDR* gauge,
                                          STRING_CALLBACK altitude_readout) {
    FAILURE_RECORD* failures = self->failures;
    // The lamps answer from the preselector state; their tokens only fill
    // the records.
    auto lamp = [=](int32_t bitmap, int32_t x, int32_t y, uint32_t token, ICON_CALLBACK callback) {
        return ELEMENT_ICON{
            .header = {.element_type = ELEMENT_TYPE_ICON, .resource_id = bitmap, .position_x = x, .position_y = y,
                       .gauge = gauge, .failure = failures, .draw_flags = DRAW_FLAGS_ICON},
            .source = {.id = token},
            .image_count = 1,
            .callback = callback,
        };
    };
    return {
        .failures = MODULE_FAILURE_LIST,
        .face = {.header = {.element_type = ELEMENT_TYPE_STATIC_IMAGE, .resource_id = BITMAP_PRESEL_FACE, .position_x = 0,
                            .position_y = 0, .gauge = gauge, .next_element = self->children,
                            .draw_flags = DRAW_FLAGS_FACE}},
        .ent_lamp = lamp(BITMAP_PRESEL_ENT, 45, 24, TOKEN_AP_HDG, module_entry<presel_ent_lamp>),
        .alt_lamp = lamp(BITMAP_PRESEL_ALT, 45, 46, TOKEN_AP_NAV, module_entry<presel_alt_lamp>),
        .baro_lamp = lamp(BITMAP_PRESEL_BARO, 142, 46, TOKEN_AP_NAV, module_entry<presel_baro_lamp>),
        .sel_lamp = lamp(BITMAP_PRESEL_SEL, 65, 46, TOKEN_AP_APR, module_entry<presel_sel_lamp>),
        .alr_lamp = lamp(BITMAP_PRESEL_ALR, 85, 46, TOKEN_AP_REV, module_entry<presel_alr_lamp>),
        .dh_lamp = lamp(BITMAP_PRESEL_DH, 108, 46, TOKEN_AP_ALT, module_entry<presel_dh_lamp>),
        .vs_lamp = lamp(BITMAP_PRESEL_VS, 125, 46, TOKEN_AP_VS, module_entry<presel_vs_lamp>),
        .vs_readout =
            {
                .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 124,
                           .position_y = 28, .gauge = gauge, .failure = failures,
                           .draw_flags = DRAW_FLAGS_STRING},
                .source = {{.id = TOKEN_AP_VS_REF}, {.id = TOKEN_NONE}, {.id = TOKEN_NONE}},
                .box_width = 34,
                .box_height = 15,
                .style = MODULE_STRING_STYLE,
                .char_count = 3,  // "%+02i"
                .callback = module_entry<presel_vs_string>,
            },
        .altitude_readout =
            {
                .header = {.element_type = ELEMENT_TYPE_STRING, .resource_id = RESOURCE_ID_NONE, .position_x = 74,
                           .position_y = 28, .gauge = gauge, .failure = failures,
                           .draw_flags = DRAW_FLAGS_STRING},
                .source = {{.id = TOKEN_AP_ALT_REF}, {.id = TOKEN_NONE}, {.id = TOKEN_NONE}},
                .box_width = 46,
                .box_height = 15,
                .style = MODULE_STRING_STYLE,
                .char_count = 4,  // "%4.1f"
                .callback = altitude_readout,
            },
        .children =
            {
                &self->ent_lamp.header,
                &self->alt_lamp.header,
                &self->baro_lamp.header,
                &self->sel_lamp.header,
                &self->alr_lamp.header,
                &self->dh_lamp.header,
                &self->vs_lamp.header,
                &self->vs_readout.header,
                &self->altitude_readout.header,
                nullptr,
            },
        .element_list = {&self->face.header},
    };
}

// The mouse list of a clickable rendition: begin parent, the ten buttons
// and knob areas (ALR after MAN), end parent, end of list.
struct PRESEL_MOUSE_LIST {
    MOUSERECT areas[13];
};

constexpr PRESEL_MOUSE_LIST presel_mouse_list() {
    auto area = [](int32_t x, int32_t y, int32_t width, int32_t height, int32_t cursor, MOUSE_HANDLER handler) {
        return MOUSERECT{.kind = MOUSE_KIND_CHILD, .x = x, .y = y, .width = width, .height = height,
                         .cursor = cursor, .mouse_flags = MOUSE_LEFTSINGLE, .handler = handler};
    };
    return {{
        {.kind = MOUSE_KIND_PARENT_BEGIN, .cursor = CURSOR_NONE},
        area(9, 29, 20, 10, CURSOR_HAND, module_entry<presel_dta_button>),
        area(9, 53, 20, 10, CURSOR_HAND, module_entry<presel_bar_button>),
        area(30, 78, 20, 10, CURSOR_HAND, module_entry<presel_alt_button>),
        area(93, 78, 20, 10, CURSOR_HAND, module_entry<presel_dh_button>),
        area(127, 78, 20, 10, CURSOR_HAND, module_entry<presel_vs_button>),
        area(162, 78, 20, 10, CURSOR_HAND, module_entry<presel_man_button>),
        area(61, 78, 20, 10, CURSOR_HAND, module_entry<presel_alr_button>),
        area(175, 38, 14, 14, CURSOR_DOWNARROW, module_entry<presel_knob_dec>),
        area(201, 38, 12, 14, CURSOR_UPARROW, module_entry<presel_knob_inc>),
        area(192, 42, 6, 6, CURSOR_HAND, module_entry<presel_knob_pull>),
        {.kind = MOUSE_KIND_PARENT_END, .cursor = CURSOR_NONE},
        {.kind = MOUSE_KIND_END, .cursor = CURSOR_NONE},
    }};
}
