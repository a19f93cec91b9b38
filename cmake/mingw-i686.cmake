# Cross toolchain for the Windows gauge file: 32-bit Windows with MinGW-w64.
# Programs built here (the test suite) run under Wine through
# scripts/wine-session, in one Wine session with a prefix of its own inside
# the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program of this build runs in the Wine session of the build folder's
# prefix (the tests' fixture starts and ends it).
get_filename_component(_toolchain_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(WINE_SESSION ${_toolchain_root}/scripts/wine-session)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_SESSION} run ${WINE_PREFIX})
