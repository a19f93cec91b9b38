// Fuzzing of the host's reading of the module's bitmaps: whatever bytes a
// gauge file carries as a bitmap resource, the host either reads a
// well-formed image from them or refuses them with its error, and nothing
// else happens (no sanitizer report, no other exception, no pixel outside
// the palette).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/bitmap.h"
#include "host/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any read past them is reported.
    std::vector<uint8_t> bytes(data, data + size);
    try {
        panelhost::Bitmap b = panelhost::parse_dib(bytes.data(), bytes.size(), 4096, "fuzz");
        if (b.width <= 0 || b.height <= 0) std::abort();
        if (b.bit_count == 8 && b.compression == 0) {
            if (b.pixels.size() != size_t(b.width) * size_t(b.height)) std::abort();
            for (uint8_t index : b.pixels)
                if (index >= b.palette.size()) std::abort();
        }
    } catch (const panelhost::HostError&) {
    }
    return 0;
}
