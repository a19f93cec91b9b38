// A planted fault for the validator's tests, replacing the module's start
// and stop routines and library entry: the library entry never returns when
// the library is loaded (on Windows its DllMain, natively a static
// initializer, which the loader runs at the same point). Built into
// planted_loopentry, which is otherwise the real module.
#include "module/gauges.h"

void MODULE_CALL module_init(void) {}

void MODULE_CALL module_deinit(void) {}

static void spin_forever() {
    volatile unsigned spin = 0;
    for (;;) spin = spin + 1u;
}

#if defined(_WIN32)
#include <windows.h>

static BOOL MODULE_CALL module_library_entry(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) spin_forever();
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return module_entry<module_library_entry>(instance, reason, reserved);
}
#else
__attribute__((constructor)) static void on_load() { spin_forever(); }
#endif
