#include "preselector/sound.h"

#include "module/host_interface.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

typedef int(SOUND_CALL* PRESEL_SOUND_LOAD)(uint32_t* handle_out, const char* file);
typedef int(SOUND_CALL* PRESEL_SOUND_PLAY)(uint32_t handle, int32_t zero);

struct PRESEL_SOUND_LIBRARY {
    uint32_t looked_for;  // the one attempt of this load of the module was made
    PRESEL_SOUND_LOAD load;
    PRESEL_SOUND_PLAY play;
};

PRESEL_SOUND_LIBRARY presel_sound = {};

#if defined(_WIN32)
void* presel_sound_open() {
    return LoadLibraryA("FSSound.dll");
}
void (*presel_sound_find(void* library, uintptr_t ordinal))(void) {
    FARPROC found = GetProcAddress(static_cast<HMODULE>(library), MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<void (*)(void)>(found);
}
#else
// The host installs the library before the module (by full path, its
// symbols global); its own name finds it there.
void* presel_sound_open() {
    return dlopen("FSSound.so", RTLD_NOW | RTLD_LOCAL);
}
void (*presel_sound_find(void* library, uintptr_t ordinal))(void) {
    return reinterpret_cast<void (*)(void)>(dlsym(library, ordinal == 1 ? "fssound_load" : "fssound_play"));
}
#endif

// Binds the library on first use. A library lacking either operation counts
// as missing. Whatever was found is never released: not here, and not at the
// module's unload, whose library detach runs under the loader lock where
// releasing a library is forbidden. It stays loaded for the life of the
// process, as the chime's handle stays loaded for the life of the module.
void presel_sound_bind() {
    PRESEL_SOUND_LIBRARY& sound = presel_sound;
    if (sound.looked_for) return;
    sound.looked_for = 1;
    void* library = presel_sound_open();
    if (!library) return;
    auto load = reinterpret_cast<PRESEL_SOUND_LOAD>(presel_sound_find(library, 1));
    auto play = reinterpret_cast<PRESEL_SOUND_PLAY>(presel_sound_find(library, 7));
    if (!load || !play) return;
    sound.load = load;
    sound.play = play;
}

}  // namespace

int32_t presel_sound_load(uint32_t* handle_out, const char* file) {
    presel_sound_bind();
    if (!presel_sound.load) return 0;
    return presel_sound.load(handle_out, file);
}

int32_t presel_sound_play(uint32_t handle, int32_t zero) {
    if (!presel_sound.play) return 0;
    return presel_sound.play(handle, zero);
}
