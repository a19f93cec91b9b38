// The sound library the chime plays through: "FSSound.dll" on Windows,
// reached by ordinal (1 load, 7 play); natively "FSSound.so", by name.
//
// The library is looked for when the chime is first loaded, and only then:
// a machine without it still loads the gauge file, and every gauge works
// with a silent chime. It is looked for at most once per load of the module.
#pragma once

#include <cstdint>

// Loads `file` into *handle_out. The library's result: 0 is "not loaded";
// also 0 when the library or one of its two operations is missing.
int32_t presel_sound_load(uint32_t* handle_out, const char* file);

// Plays a loaded handle. The library's result, 0 when nothing was played
// (also when the library is missing).
int32_t presel_sound_play(uint32_t handle, int32_t zero);
