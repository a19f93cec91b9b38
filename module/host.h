// Host services and callback forms: what passes between the panel engine and
// this module in both directions.
//
// The host writes the address of its PANELS table into ImportTable entry 1
// after loading the module; every call the module makes into the host goes
// through that table, read afresh at the moment of the call.
#pragma once

#include <cstdint>

// Every function the host calls in the module, and every PANELS operation the
// module calls in the host, removes its own arguments on the 32-bit target.
// The sound library's operations leave that to the caller. On x86-64 both
// collapse to the platform's one convention.
#if defined(_WIN32) && defined(__i386__)
#define MODULE_CALL __stdcall
#define SOUND_CALL __cdecl
#else
#define MODULE_CALL
#define SOUND_CALL
#endif

struct GAUGEHDR;
struct ELEMENT_HEADER;
struct ELEMENT_ICON;
struct ELEMENT_STRING;
struct MODULE_VAR;

// A click position, relative to the clicked area: two signed 32-bit ints.
struct PIXPOINT {
    int32_t x;
    int32_t y;
};

// --- Callback forms: the host calls these, named in the module's records ---

// Generic gauge routines, the same seven in every gauge header. Each forwards
// to one PANELS operation and returns its result unchanged.
typedef int32_t(MODULE_CALL* GENERIC_ROUTINE)(void);
typedef int32_t(MODULE_CALL* GENERIC_INSTALL_ROUTINE)(void* resource_handle);
typedef int32_t(MODULE_CALL* GENERIC_GENERATE_ROUTINE)(uint32_t phase);

// Module start and stop routines, named in Linkage.
typedef void(MODULE_CALL* MODULE_START_STOP)(void);

// Icon callback: called by the host on every update of the icon, after it has
// refreshed the icon's source variable. -1.0 hides the icon, 0.0 shows its
// one image.
typedef double(MODULE_CALL* ICON_CALLBACK)(ELEMENT_ICON* icon);

// String callback: called on every update of the string element. Writes a
// NUL-terminated text through the record's text-buffer pointer, which the
// host placed there beforehand, and returns the element's first source value.
typedef double(MODULE_CALL* STRING_CALLBACK)(ELEMENT_STRING* string);

// Mouse handler: called on a left click inside its area. Neither argument is
// read; the result is always 0.
typedef int32_t(MODULE_CALL* MOUSE_HANDLER)(PIXPOINT* point, uint32_t mouse_flags);

// Gauge service callback: called with service id 2 at install, 6 on every
// update cycle and 10 when drawing. Other ids are ignored.
typedef void(MODULE_CALL* SERVICE_CALLBACK)(GAUGEHDR* gauge, int32_t service_id, uint32_t extra);

enum : int32_t {
    SERVICE_INSTALL = 2,
    SERVICE_UPDATE = 6,
    SERVICE_DRAW = 10,
};

// --- PANELS: the host's services, nine slots in this order ---
struct PANELS {
    int32_t(MODULE_CALL* element_list_query)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_install)(ELEMENT_HEADER* root, void* resource_handle);
    int32_t(MODULE_CALL* element_list_initialize)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_update)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_generate)(ELEMENT_HEADER* root, uint32_t phase);
    int32_t(MODULE_CALL* element_list_plot)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_kill)(ELEMENT_HEADER* root);
    // Sends a key event to the simulator; the result is never examined.
    int32_t(MODULE_CALL* trigger_key_event)(uint32_t event, int32_t value);
    // Writes the variable's current value into the record; result ignored.
    int32_t(MODULE_CALL* lookup_var)(MODULE_VAR* var);
};

// ImportTable: entry 1 carries the PANELS address (identifier 0x0F), entry 2
// ends the table. The host writes entry 1; the module only reads it.
struct IMPORT_ENTRY {
    uint32_t id;
    PANELS* table;
};

struct IMPORT_TABLE {
    IMPORT_ENTRY panels;
    IMPORT_ENTRY end;
};

enum : uint32_t {
    IMPORT_ID_PANELS = 0x0F,
    IMPORT_ID_END = 0x00,
};

// Linkage: module identity, start and stop routines, and the gauge table
// inline: five header pointers in the fixed order, then null.
struct LINKAGE {
    uint32_t module_id;
    MODULE_START_STOP module_init;
    MODULE_START_STOP module_deinit;
    uint32_t flags;
    uint32_t priority;
    uint32_t version;
    GAUGEHDR* gauge_table[6];
};

enum : uint32_t {
    MODULE_GAUGE_COUNT = 5,
};

// Text buffer the host places in every string record before calling its
// callback: 31 characters and the terminating NUL.
enum : uint32_t {
    MODULE_TEXT_BUFFER_SIZE = 32,
};

// Marks the two exported records (inside an extern "C" block).
#if defined(_WIN32)
#define MODULE_EXPORT __declspec(dllexport)
#else
#define MODULE_EXPORT __attribute__((visibility("default")))
#endif
