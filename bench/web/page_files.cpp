// The page's files in the WebAssembly build: the page file carries them
// itself (make_page.py), so the request handling serves none.
#include "bench/serve/page_assets.h"

namespace serve {

const Asset* find_asset(std::string_view) { return nullptr; }

}  // namespace serve
