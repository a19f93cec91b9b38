# The sound library's file name, read from its one home (soundlib/file_name.h):
# SOUND_LIBRARY without the suffix, SOUND_FILE with this build's.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../soundlib/file_name.h SOUND_LIBRARY REGEX "^#define SOUND_LIBRARY ")
string(REGEX REPLACE "^#define SOUND_LIBRARY \"([^\"]+)\".*$" "\\1" SOUND_LIBRARY "${SOUND_LIBRARY}")
if(WIN32)
  set(SOUND_FILE ${SOUND_LIBRARY}.dll)
else()
  set(SOUND_FILE ${SOUND_LIBRARY}.so)
endif()
