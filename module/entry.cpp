// Module start and stop routines and the library entry. The module keeps no
// per-load state to set up or tear down: all of it is static data with fixed
// initial values.
#include "module/entry.h"
#include "module/gauges.h"

uint32_t module_process_ending = 0;

void MODULE_CALL module_init(void) {}

void MODULE_CALL module_deinit(void) {}

#if defined(_WIN32)
#include <windows.h>

// Success for every reason: process and thread attach and detach alike.
// A detach with `reserved` set means the process is ending, not a
// FreeLibrary of the module; that is noted for the module's unload.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) module_process_ending = 1;
    return TRUE;
}
#endif
