// The sound library's file name, as the host looks for it beside the module
// and as the stand-in is built (CMake reads SOUND_LIBRARY from this line:
// cmake/sound_library.cmake) and linked into a program under it. The module
// names the library in its own import (preselector/sound.cpp).
#pragma once

#define SOUND_LIBRARY "FSSound"

#if defined(_WIN32)
inline constexpr const char* SOUND_FILE = SOUND_LIBRARY ".dll";
#else
inline constexpr const char* SOUND_FILE = SOUND_LIBRARY ".so";
#endif
