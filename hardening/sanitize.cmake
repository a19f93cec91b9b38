# Initial cache for the checked build: AddressSanitizer and
# UndefinedBehaviorSanitizer over the module, the host, the sound stand-in and
# every test program, with any report fatal.
#   cmake -C hardening/sanitize.cmake -S . -B build/asan -DDIST_DIR=build/asan/dist
# The module is loaded with dlopen; it and the programs that load it are all
# built with the same flags, so they share one sanitizer runtime.
set(HARDENING_FLAGS
  "-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "")
set(CMAKE_C_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_CXX_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_SHARED_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_MODULE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(HARDENING_SANITIZE ON CACHE BOOL "a sanitizer build: no allocation counting, no bench")
