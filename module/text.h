// Writing a read-out's text into the buffer the host placed in the string
// record. Every text of up to 31 characters is written whole; a longer one
// is cut to 31 characters and always NUL-terminated inside the buffer.
#pragma once

#include <cstdio>

#include "module/records.h"

template <typename... Args>
inline void module_write_text(ELEMENT_STRING* string, const char* format, Args... args) {
    if (string->text == nullptr) return;
    std::snprintf(string->text, MODULE_TEXT_BUFFER_SIZE, format, args...);
}
