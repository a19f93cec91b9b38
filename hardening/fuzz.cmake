# Initial cache for the fuzzing build: clang with libFuzzer's coverage
# instrumentation and the address and undefined-behaviour sanitizers over the
# module, the host and the sound stand-in; the fuzz target alone links the
# fuzzer's driver.
#   cmake -C hardening/fuzz.cmake -S . -B build/fuzz -DDIST_DIR=build/fuzz/dist
set(CMAKE_C_COMPILER clang-14 CACHE STRING "")
set(CMAKE_CXX_COMPILER clang++-14 CACHE STRING "")
set(HARDENING_FLAGS
  "-fsanitize=fuzzer-no-link,address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "")
set(CMAKE_C_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_CXX_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_SHARED_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_MODULE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(HARDENING_SANITIZE ON CACHE BOOL "a sanitizer build: no allocation counting, no bench")
set(HARDENING_FUZZ ON CACHE BOOL "build the fuzz target")
