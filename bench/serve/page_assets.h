// The page's files, built into the program from bench/serve/page/.
#pragma once

#include <string_view>

namespace serve {

struct Asset {
    std::string_view path;  // as requested, e.g. "/panel.js"
    std::string_view content_type;
    std::string_view body;
};

// The asset served at `path`, or null.
const Asset* find_asset(std::string_view path);

}  // namespace serve
