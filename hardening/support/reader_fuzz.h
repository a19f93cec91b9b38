// What the fuzz targets of the bench's readers share: the input as text, and
// the shape of a refusal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace hardening {

// An input as text: a copy of exactly its bytes, so that any read past them
// is reported, with the number of lines it holds.
struct FuzzText {
    std::string text;
    size_t lines = 1;

    FuzzText(const uint8_t* data, size_t size) : text(reinterpret_cast<const char*>(data), size) {
        for (char c : text) lines += c == '\n';
    }
};

// True when `what` reads "FILE:LINE: ...", LINE one of the input's `lines`.
inline bool names_a_line(std::string_view what, std::string_view file, size_t lines) {
    if (what.substr(0, file.size() + 1) != std::string(file) + ":") return false;
    const size_t start = file.size() + 1;
    const size_t colon = what.find(": ", start);
    if (colon == std::string_view::npos || colon == start) return false;
    const std::string number(what.substr(start, colon - start));
    char* end = nullptr;
    const unsigned long line = std::strtoul(number.c_str(), &end, 10);
    return !*end && line >= 1 && line <= lines;
}

}  // namespace hardening
