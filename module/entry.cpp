// Module start and stop routines and the library entry. The module keeps no
// per-load state to set up or tear down: all of it is static data with fixed
// initial values.
#include "module/gauges.h"

void MODULE_CALL module_init(void) {}

void MODULE_CALL module_deinit(void) {}

#if defined(_WIN32)
#include <windows.h>

// Success for every reason: process and thread attach and detach alike.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
#endif
