// Definition records: gauge header, element records (face, icon, string),
// token-variable record, failure record and mouse-area record.
//
// Every record is plain 32-bit words on the 32-bit targets (the Windows
// gauge file, and the WebAssembly build of the same sources), with doubles
// at 4-byte alignment; the layout is checked at the end of this file. A word
// named reserved_* is 0 in every record of the module; the host may keep its
// own working data there. Each is named by the words it covers, counted from
// word 0 of its own record (reserved_12_19: words 12 to 19).
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/host_interface.h"

// Targets whose pointers are 32 bits, on which the records keep the engine's
// 32-bit word layout: 32-bit x86 and wasm32.
#if defined(__i386__) || defined(__wasm32__)
#define MODULE_WORD_LAYOUT_32 1
#endif

#if defined(MODULE_WORD_LAYOUT_32)
#pragma pack(push, 4)
#endif

// Token-variable record. The module fills only the token number; the host
// writes the current value through lookup_var or before an element callback.
struct MODULE_VAR {
    uint32_t id;               // token number, fixed in the data
    uint32_t reserved_1_2[2];  // 0
    double value;              // current value, written by the host
    double reserved_5_6;       // 0
};

// Failure record: a list ends with an all-zero record.
struct FAILURE_RECORD {
    uint32_t condition;  // host failure-condition number
    uint32_t action;     // host failure-action number
    uint32_t reserved_2; // 0
};

enum : uint32_t {
    ELEMENT_TYPE_STATIC_IMAGE = 0,
    ELEMENT_TYPE_STRING = 2,
    ELEMENT_TYPE_ICON = 4,
};

enum : uint32_t {
    DRAW_FLAGS_FACE = 0x1,
    DRAW_FLAGS_ICON = 0x7,
    DRAW_FLAGS_STRING = 0x8006,
};

// Resource identifier of elements that draw no bitmap (strings).
constexpr int32_t RESOURCE_ID_NONE = -1;

// The first fifteen words of every element record.
struct ELEMENT_HEADER {
    uint32_t element_type;           // ELEMENT_TYPE_*
    int32_t resource_id;             // bitmap identifier, or RESOURCE_ID_NONE
    int32_t position_x;              // pixels from the face's top-left corner
    int32_t position_y;
    uint32_t reserved_4_7[4];        // 0
    GAUGEHDR* gauge;                 // the owning gauge's header
    void* reserved_9;                // null
    ELEMENT_HEADER** next_element;   // face: null-terminated child list; others: null
    FAILURE_RECORD* failure;         // face: null; children: the gauge's failure list
    uint32_t draw_flags;             // DRAW_FLAGS_*
    uint32_t reserved_13_14[2];      // 0
};

// The gauge face: the root of every element tree.
struct ELEMENT_STATIC_IMAGE {
    ELEMENT_HEADER header;
    uint32_t reserved_15_23[9];
};

// A lamp: one legend bitmap, shown or hidden by its callback.
struct ELEMENT_ICON {
    ELEMENT_HEADER header;
    MODULE_VAR source;          // refreshed by the host before the callback
    uint32_t reserved_22_27[6];
    uint32_t image_count;       // 1 in every icon of the module
    uint32_t reserved_29_32[4];
    ICON_CALLBACK callback;
    uint32_t reserved_34;
};

// Colours as Windows colour words, 0x00BBGGRR.
constexpr uint32_t module_rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The text style fields that every string of the module shares: colours,
// font and text placement.
struct STRING_STYLE {
    uint32_t text_colour;
    uint32_t background_colour;
    uint32_t highlight_colour;
    uint32_t reserved_3_9[7];
    char font_name[32];        // NUL-padded
    uint32_t font_weight;
    uint32_t charset;
    uint32_t placement_flags;  // centre horizontally | centre vertically | single line
};

constexpr STRING_STYLE MODULE_STRING_STYLE = {
    .text_colour = module_rgb(8, 8, 8),
    .background_colour = module_rgb(207, 180, 102),
    .highlight_colour = module_rgb(8, 8, 8),
    .font_name = "GLASS GAUGE",
    .font_weight = 400,
    .charset = 1,
    .placement_flags = 0x25,
};

// A numeric read-out.
struct ELEMENT_STRING {
    ELEMENT_HEADER header;
    MODULE_VAR source[3];        // first: the read-out's token; second, third: token 0
    uint32_t reserved_36_45[10];
    char* text;                  // buffer placed by the host before each callback
    uint32_t reserved_47;
    uint32_t box_width;          // the text is drawn in this box at the element's position
    uint32_t box_height;
    uint32_t reserved_50_51[2];
    STRING_STYLE style;
    uint32_t char_count;         // characters the read-out's format produces
    uint32_t reserved_74_77[4];
    STRING_CALLBACK callback;
    uint32_t reserved_79_80[2];
};

enum : uint32_t {
    MOUSE_KIND_END = 0,
    MOUSE_KIND_PARENT_BEGIN = 1,
    MOUSE_KIND_CHILD = 2,
    MOUSE_KIND_PARENT_END = 3,
};

enum : int32_t {
    CURSOR_NONE = -1,
    CURSOR_UPARROW = 1,
    CURSOR_DOWNARROW = 2,
    CURSOR_HAND = 5,
};

constexpr uint32_t MOUSE_LEFTSINGLE = 0x20000000;

// Mouse-area record. A child carries a key event number or a handler, never
// both; structural records (begin parent, end parent, end of list) carry
// neither.
struct MOUSERECT {
    uint32_t kind;           // MOUSE_KIND_*
    int32_t x, y, width, height;
    int32_t cursor;          // CURSOR_*
    uint32_t help_id;        // 0
    uint32_t mouse_flags;    // MOUSE_LEFTSINGLE on children, 0 otherwise
    uint32_t event;          // key event the host sends on a click, or 0
    MOUSE_HANDLER handler;   // handler the host calls on a click, or null
    uint32_t extra;          // 0
};

// The seven generic routines, in the header's order.
struct GAUGE_ROUTINES {
    GENERIC_ROUTINE query;
    GENERIC_INSTALL_ROUTINE install;
    GENERIC_ROUTINE initialize;
    GENERIC_ROUTINE update;
    GENERIC_GENERATE_ROUTINE generate;
    GENERIC_ROUTINE draw;
    GENERIC_ROUTINE kill;
};

constexpr uint32_t GAUGE_HEADER_VERSION = 800;

// Gauge header: the host finds a gauge through it. It is the engine's full
// size, 64 words: past the service callback the engine keeps its own data
// (user data, parameters, usage, a size, a user area of ten doubles), and
// panel add-ons write there too. Those words are the host's: 0 in the data,
// never read or written by the module, and no other record lies inside them.
struct GAUGEHDR {
    uint32_t version;                  // GAUGE_HEADER_VERSION
    const char* name;                  // the name a panel places the gauge by
    ELEMENT_HEADER** element_list;     // one slot: the face; not null-terminated
    GAUGE_ROUTINES routines;
    uint32_t reserved_10;
    uint32_t size_x_mm;                // horizontal size in millimetres
    uint32_t reserved_12_19[8];
    MOUSERECT* mouse_rect;             // every gauge has a list
    SERVICE_CALLBACK service_callback; // or null
    uint32_t reserved_22_63[42];       // the host's: 0, never touched by the module
};

// Words in a gauge header on the 32-bit target.
constexpr uint32_t GAUGE_HEADER_WORDS = 64;

// Standard failure list: every gauge has its own copy of these values.
// Failure list: conditions 20 and 21 both take action 3, then the end
// record. Every gauge has its own list with these values, carried by every
// lamp and read-out and never by the face.
#define MODULE_FAILURE_LIST                 \
    {                                       \
        {.condition = 20, .action = 3},     \
        {.condition = 21, .action = 3},     \
        {.condition = 0, .action = 0},      \
    }

#if defined(MODULE_WORD_LAYOUT_32)
#pragma pack(pop)

// Word offsets of every record kind on the 32-bit targets.
#define MODULE_WORD(type, field, word) \
    static_assert(offsetof(type, field) == (word) * 4, #type "." #field " is not at word " #word)

MODULE_WORD(MODULE_VAR, id, 0);
MODULE_WORD(MODULE_VAR, value, 3);
MODULE_WORD(MODULE_VAR, reserved_5_6, 5);
static_assert(sizeof(MODULE_VAR) == 28);

static_assert(sizeof(FAILURE_RECORD) == 12);

MODULE_WORD(ELEMENT_HEADER, element_type, 0);
MODULE_WORD(ELEMENT_HEADER, resource_id, 1);
MODULE_WORD(ELEMENT_HEADER, position_x, 2);
MODULE_WORD(ELEMENT_HEADER, position_y, 3);
MODULE_WORD(ELEMENT_HEADER, gauge, 8);
MODULE_WORD(ELEMENT_HEADER, reserved_9, 9);
MODULE_WORD(ELEMENT_HEADER, next_element, 10);
MODULE_WORD(ELEMENT_HEADER, failure, 11);
MODULE_WORD(ELEMENT_HEADER, draw_flags, 12);
static_assert(sizeof(ELEMENT_HEADER) == 15 * 4);

static_assert(sizeof(ELEMENT_STATIC_IMAGE) == 24 * 4);

MODULE_WORD(ELEMENT_ICON, source, 15);
MODULE_WORD(ELEMENT_ICON, source.value, 18);
MODULE_WORD(ELEMENT_ICON, image_count, 28);
MODULE_WORD(ELEMENT_ICON, callback, 33);
static_assert(sizeof(ELEMENT_ICON) == 35 * 4);

MODULE_WORD(ELEMENT_STRING, source, 15);
MODULE_WORD(ELEMENT_STRING, source[1], 22);
MODULE_WORD(ELEMENT_STRING, source[2], 29);
MODULE_WORD(ELEMENT_STRING, text, 46);
MODULE_WORD(ELEMENT_STRING, box_width, 48);
MODULE_WORD(ELEMENT_STRING, box_height, 49);
MODULE_WORD(ELEMENT_STRING, style.text_colour, 52);
MODULE_WORD(ELEMENT_STRING, style.background_colour, 53);
MODULE_WORD(ELEMENT_STRING, style.highlight_colour, 54);
MODULE_WORD(ELEMENT_STRING, style.font_name, 62);
MODULE_WORD(ELEMENT_STRING, style.font_weight, 70);
MODULE_WORD(ELEMENT_STRING, style.charset, 71);
MODULE_WORD(ELEMENT_STRING, style.placement_flags, 72);
MODULE_WORD(ELEMENT_STRING, char_count, 73);
MODULE_WORD(ELEMENT_STRING, callback, 78);
static_assert(sizeof(ELEMENT_STRING) == 81 * 4);

MODULE_WORD(MOUSERECT, kind, 0);
MODULE_WORD(MOUSERECT, x, 1);
MODULE_WORD(MOUSERECT, height, 4);
MODULE_WORD(MOUSERECT, cursor, 5);
MODULE_WORD(MOUSERECT, help_id, 6);
MODULE_WORD(MOUSERECT, mouse_flags, 7);
MODULE_WORD(MOUSERECT, event, 8);
MODULE_WORD(MOUSERECT, handler, 9);
MODULE_WORD(MOUSERECT, extra, 10);
static_assert(sizeof(MOUSERECT) == 11 * 4);

MODULE_WORD(GAUGEHDR, version, 0);
MODULE_WORD(GAUGEHDR, name, 1);
MODULE_WORD(GAUGEHDR, element_list, 2);
MODULE_WORD(GAUGEHDR, routines.query, 3);
MODULE_WORD(GAUGEHDR, routines.kill, 9);
MODULE_WORD(GAUGEHDR, reserved_10, 10);
MODULE_WORD(GAUGEHDR, size_x_mm, 11);
MODULE_WORD(GAUGEHDR, mouse_rect, 20);
MODULE_WORD(GAUGEHDR, service_callback, 21);
MODULE_WORD(GAUGEHDR, reserved_22_63, 22);
static_assert(sizeof(GAUGEHDR) == GAUGE_HEADER_WORDS * 4, "a gauge header is not the engine's 64 words");

// PANELS: module/host_interface.h checks each service at its word; here a word is 4 bytes.
static_assert(sizeof(PANELS_WORD) == 4);
MODULE_WORD(IMPORT_TABLE, panels.table, 1);
MODULE_WORD(IMPORT_TABLE, end, 2);
static_assert(sizeof(IMPORT_TABLE) == 16);
MODULE_WORD(LINKAGE, version, 5);
MODULE_WORD(LINKAGE, gauge_table, 6);
static_assert(sizeof(LINKAGE) == 12 * 4);

#undef MODULE_WORD
#endif
