// Module start and stop routines and the library entry. The module keeps no
// per-load state to set up or tear down: all of it is static data with fixed
// initial values. Nothing is released at unload either: the sound library,
// once loaded, stays loaded for the life of the process.
#include "module/gauges.h"

void MODULE_CALL module_init(void) {}

void MODULE_CALL module_deinit(void) {}

#if defined(_WIN32)
#include <windows.h>

// Success for every reason: process and thread attach and detach alike.
static BOOL MODULE_CALL module_library_entry(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

// The loader calls this from the run-time's own entry, with whatever x87
// state the loading thread has; it goes through the guard as every other
// entry point does.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return module_entry<module_library_entry>(instance, reason, reserved);
}
#endif
