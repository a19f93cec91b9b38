// The module and the stand-in sound library, linked into the program: the
// WebAssembly build loads nothing at run time, so the host finds both by
// file name among the program's static libraries, under the names the
// native build gives their files. The module's own lookup of the sound
// library by name (dlopen, dlsym) reaches the same list.
#include <dlfcn.h>

#include "host/error.h"
#include "host/library.h"
#include "module/records.h"
#include "soundlib/file_name.h"
#include "soundlib/standin.h"

extern "C" {
extern IMPORT_TABLE ImportTable;
extern LINKAGE Linkage;
int fssound_load(uint32_t* handle_out, const char* file);
int fssound_play(uint32_t handle, int32_t zero);
void standin_reset(void);
void standin_queue(int32_t op, int32_t result);
int32_t standin_count(void);
int32_t standin_get(int32_t index, standin_call* out);
}

namespace {

const bool registered = [] {
    // The module's data starts as built only once per program instance.
    panelhost::register_static_library(
        "vmq_Tavok22ap.so", {{"ImportTable", &ImportTable}, {"Linkage", &Linkage}}, /*single_load=*/true);
    panelhost::register_static_library(SOUND_FILE, {
        {"fssound_load", reinterpret_cast<void*>(&fssound_load)},
        {"fssound_play", reinterpret_cast<void*>(&fssound_play)},
        {"standin_reset", reinterpret_cast<void*>(&standin_reset)},
        {"standin_queue", reinterpret_cast<void*>(&standin_queue)},
        {"standin_count", reinterpret_cast<void*>(&standin_count)},
        {"standin_get", reinterpret_cast<void*>(&standin_get)},
    });
    return true;
}();

}  // namespace

// Library lookups by name, as the module makes them, answered from the
// linked-in libraries: a name not among them is not found, as a missing
// file would not be.
extern "C" void* dlopen(const char* file, int) {
    try {
        return file ? panelhost::open_static_library(file) : nullptr;
    } catch (const panelhost::HostError&) {
        return nullptr;
    }
}

extern "C" void* dlsym(void* __restrict handle, const char* __restrict name) {
    return handle && name ? panelhost::find_static_export(handle, name) : nullptr;
}

extern "C" int dlclose(void*) { return 0; }
