// A planted fault for the validator's tests, replacing the module's start
// and stop routines and library entry: the start routine never returns.
// Built into planted_loop, which is otherwise the real module.
#include "module/gauges.h"

void MODULE_CALL module_init(void) {
    volatile unsigned spin = 0;
    for (;;) spin = spin + 1u;
}

void MODULE_CALL module_deinit(void) {}

#if defined(_WIN32)
#include <windows.h>

static BOOL MODULE_CALL module_library_entry(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return module_entry<module_library_entry>(instance, reason, reserved);
}
#endif
