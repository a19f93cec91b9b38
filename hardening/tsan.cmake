# Initial cache for the thread-checked build: ThreadSanitizer over the
# module, the host, the sound stand-in, the bench and the server's tests,
# with any report fatal. The server's tests drive its simulation thread from
# several request threads at once.
#   cmake -C hardening/tsan.cmake -S . -B build/tsan -DDIST_DIR=build/tsan/dist
set(HARDENING_FLAGS "-fsanitize=thread -fno-omit-frame-pointer")
set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "")
set(CMAKE_C_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_CXX_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_SHARED_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(CMAKE_MODULE_LINKER_FLAGS "${HARDENING_FLAGS}" CACHE STRING "")
set(HARDENING_SANITIZE ON CACHE BOOL "a sanitizer build: no allocation counting, no bench")
