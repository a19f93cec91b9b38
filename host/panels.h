// The host's PANELS table: the engine's whole row of words, with the nine
// services the module uses at their words and a trap in every other word.
//
// A trap records "the module called PANELS word N" and ends the call into the
// module that made it (see Host::guarded); whoever ran that call (a test, a
// scenario, a validation) asks the host for the recorded trap calls and fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "module/host_interface.h"

namespace panelhost {

// Words in the host's table. The engine's table reaches past word 90; the
// host's is longer still, so a module reading far beyond the nine services
// still meets a trap rather than whatever memory follows.
constexpr size_t PANELS_TABLE_WORDS = 128;

struct PanelsTable {
    PANELS services;  // words 0-40
    PANELS_WORD further[PANELS_TABLE_WORDS - sizeof(PANELS) / sizeof(PANELS_WORD)];
};
static_assert(sizeof(PanelsTable) == PANELS_TABLE_WORDS * sizeof(PANELS_WORD));

// The word at `index` of a table, as the module reads it; and writing one.
PANELS_WORD panels_word(const PanelsTable& table, size_t index);
void set_panels_word(PanelsTable& table, size_t index, PANELS_WORD value);

// True for the nine words whose services the module may call.
bool is_service_word(size_t index);
// What the engine keeps at a word: "element_list_erase", "the engine's
// header", "a mouse-list service", ...
const char* panels_word_name(size_t index);

// The trap placed in word `index` (of every table the host makes).
PANELS_WORD trap_word(size_t index);

// A call the module made through a word that holds no service it may use.
struct TrapCall {
    uint32_t word;
    std::string during;  // what the module was running, as the caller of the module named it

    // "the module called PANELS word 30 (element_list_erase) during ..."
    std::string text() const;
};

}  // namespace panelhost
