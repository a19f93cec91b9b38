// Fuzzing of the bench's reading of background pictures: whatever bytes a
// BMP file holds, the reader either gives back a picture of a size in range
// with exactly its pixels, or refuses the file with its error naming it,
// and nothing else happens (no sanitizer report, no other exception).
#include <cstdlib>
#include <string_view>
#include <vector>

#include "bench/common/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any read past them is reported.
    std::vector<uint8_t> bytes(data, data + size);
    try {
        bench::BmpImage image = bench::parse_bmp(bytes.data(), bytes.size(), "fuzz.bmp");
        if (image.width < 1 || image.height < 1 || image.width > bench::BMP_MAX_SIDE ||
            image.height > bench::BMP_MAX_SIDE)
            std::abort();
        if (image.rgb.size() != size_t(image.width) * size_t(image.height) * 3) std::abort();
        // What it gives back, written again at 24 bits, reads back the same.
        const std::string again = bench::encode_bmp(image, 24);
        if (bench::parse_bmp(reinterpret_cast<const uint8_t*>(again.data()), again.size(), "again").rgb != image.rgb)
            std::abort();
    } catch (const bench::BmpError& e) {
        if (std::string_view(e.what()).substr(0, 10) != "fuzz.bmp: ") std::abort();
    }
    return 0;
}
