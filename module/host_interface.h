// The panel engine's interface as the module sees it: the host services and
// callback forms that pass between the engine (here "the host": the
// simulator's, or our own host/ program) and this module in both directions.
//
// The host writes the address of its PANELS table into ImportTable entry 1
// after loading the module; every call the module makes into the host goes
// through that table, read afresh at the moment of the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

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

// --- PANELS: the engine's service table ---
//
// A long row of words (32-bit on the gauge file's target, pointer-sized
// natively) in the engine's own order. The module calls nine services, each
// at its fixed word; every other word is the engine's and stays opaque here.
// The module reaches the table only through a pointer and never reads past
// word 40, so nothing depends on how long the engine's table is.
typedef uintptr_t PANELS_WORD;

// The nine services the module calls, each once: X(WORD, word, field,
// parameters, arguments). WORD names the word (PANELS_WORD_WORD), field is
// the member of PANELS at that word, every service returns an int32_t and
// removes its own arguments. The word numbers, the host's table and its
// names, and the checks below are all made from this list.
#define PANELS_SERVICES(X)                                                                                    \
    X(ELEMENT_LIST_QUERY, 24, element_list_query, (ELEMENT_HEADER * root), (root))                            \
    X(ELEMENT_LIST_INSTALL, 25, element_list_install, (ELEMENT_HEADER * root, void* resource_handle),         \
      (root, resource_handle))                                                                                \
    X(ELEMENT_LIST_INITIALIZE, 26, element_list_initialize, (ELEMENT_HEADER * root), (root))                  \
    X(ELEMENT_LIST_UPDATE, 27, element_list_update, (ELEMENT_HEADER * root), (root))                          \
    X(ELEMENT_LIST_GENERATE, 28, element_list_generate, (ELEMENT_HEADER * root, uint32_t phase), (root, phase)) \
    X(ELEMENT_LIST_PLOT, 29, element_list_plot, (ELEMENT_HEADER * root), (root))                              \
    X(ELEMENT_LIST_KILL, 31, element_list_kill, (ELEMENT_HEADER * root), (root))                              \
    X(TRIGGER_KEY_EVENT, 36, trigger_key_event, (uint32_t event, int32_t value), (event, value))              \
    X(LOOKUP_VAR, 40, lookup_var, (MODULE_VAR * var), (var))

// A service's form: the type of its word.
#define PANELS_SERVICE_FORM(parameters) int32_t(MODULE_CALL*) parameters

enum : uint32_t {
#define PANELS_WORD_OF(WORD, word, field, parameters, arguments) PANELS_WORD_##WORD = word,
    PANELS_SERVICES(PANELS_WORD_OF)
#undef PANELS_WORD_OF
    // The engine's element_list_erase, which the module never calls.
    PANELS_WORD_ELEMENT_LIST_ERASE = 30,
};

enum : uint32_t {
#define PANELS_COUNT_ONE(WORD, word, field, parameters, arguments) +1
    PANELS_SERVICE_COUNT = 0 PANELS_SERVICES(PANELS_COUNT_ONE),
#undef PANELS_COUNT_ONE
};

struct PANELS {
    // 0-5: the engine's header; 6-23: other services.
    PANELS_WORD engine_0_23[24];
    int32_t(MODULE_CALL* element_list_query)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_install)(ELEMENT_HEADER* root, void* resource_handle);
    int32_t(MODULE_CALL* element_list_initialize)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_update)(ELEMENT_HEADER* root);
    int32_t(MODULE_CALL* element_list_generate)(ELEMENT_HEADER* root, uint32_t phase);
    int32_t(MODULE_CALL* element_list_plot)(ELEMENT_HEADER* root);
    // element_list_erase: the module never erases an element list.
    PANELS_WORD engine_30;
    int32_t(MODULE_CALL* element_list_kill)(ELEMENT_HEADER* root);
    // 32-34: mouse-list services; 35: panel-window toggle.
    PANELS_WORD engine_32_35[4];
    // Sends a key event to the simulator; the result is never examined.
    int32_t(MODULE_CALL* trigger_key_event)(uint32_t event, int32_t value);
    // 37-39: variable registration and initialisation.
    PANELS_WORD engine_37_39[3];
    // Writes the variable's current value into the record; result ignored.
    int32_t(MODULE_CALL* lookup_var)(MODULE_VAR* var);
    // Words 41 and on follow in the engine's table; the module has no use
    // for them and declares none.
};

// Each service at its word and of its form, in both builds: 32-bit words on
// the gauge file's target (query at byte 96, lookup_var at byte 160),
// pointer-sized natively.
#define PANELS_SERVICE_AT(WORD, word, field, parameters, arguments)                                        \
    static_assert(offsetof(PANELS, field) == (word) * sizeof(PANELS_WORD) &&                              \
                      sizeof(PANELS::field) == sizeof(PANELS_WORD),                                        \
                  "PANELS." #field " is not at word " #word);                                              \
    static_assert(std::is_same_v<decltype(PANELS::field), PANELS_SERVICE_FORM(parameters)>,              \
                  "PANELS." #field " is not of its service's form");
PANELS_SERVICES(PANELS_SERVICE_AT)
#undef PANELS_SERVICE_AT
static_assert(offsetof(PANELS, engine_30) == PANELS_WORD_ELEMENT_LIST_ERASE * sizeof(PANELS_WORD));

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
