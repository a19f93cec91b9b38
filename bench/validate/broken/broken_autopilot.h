// The broken "autopilot"'s header, with a planted fault of its own: it is 32
// words, as short as older engines' headers were, and its mouse list follows
// it directly, so that the list lies in words 32 on of the 64 the engine
// takes for a header.
#pragma once

#include <cstddef>

#include "module/records.h"

struct BROKEN_SHORT_HEADER {
    uint32_t version;
    const char* name;
    ELEMENT_HEADER** element_list;
    GAUGE_ROUTINES routines;
    uint32_t reserved_10;
    uint32_t size_x_mm;
    uint32_t reserved_12_19[8];
    MOUSERECT* mouse_rect;
    SERVICE_CALLBACK service_callback;
    uint32_t reserved_22_31[10];
    MOUSERECT mouse_rects[12];  // the list, where words 32 on of a header are
};
static_assert(offsetof(BROKEN_SHORT_HEADER, service_callback) == offsetof(GAUGEHDR, service_callback));
static_assert(offsetof(BROKEN_SHORT_HEADER, reserved_22_31) == offsetof(GAUGEHDR, reserved_22_63));
static_assert(offsetof(BROKEN_SHORT_HEADER, mouse_rects) < sizeof(GAUGEHDR));

extern BROKEN_SHORT_HEADER broken_ap_short_header;

// The header as the gauge table and the elements name it.
#define BROKEN_AP_HEADER (reinterpret_cast<GAUGEHDR*>(&broken_ap_short_header))
