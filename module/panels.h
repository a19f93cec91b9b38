// Calls into the host's PANELS table. The table's address is read from
// ImportTable at the moment of each call; nothing copies it.
#pragma once

#include <cstdint>

#include "module/records.h"

extern "C" IMPORT_TABLE ImportTable;

inline PANELS* module_panels() {
    return ImportTable.panels.table;
}

// Refreshes a token-variable record and returns its fresh value.
inline double module_lookup(MODULE_VAR* var) {
    module_panels()->lookup_var(var);
    return var->value;
}

inline void module_send(uint32_t event, int32_t value) {
    module_panels()->trigger_key_event(event, value);
}
