// What the library entry tells the rest of the module.
#pragma once

#include <cstdint>

// 1 once the entry has been told that the whole process is ending (rather
// than the module alone being unloaded). Other libraries must then not be
// released from the module's unload: they may already be gone.
extern uint32_t module_process_ending;
