// Pictures in the WebAssembly build: the page draws the panel itself, and
// needs of the bench's pictures only each bitmap as a PNG. The PNG is
// written without compression (stored deflate blocks), since no zlib is
// linked in here; the page decodes it once and keeps the image.
#include <algorithm>
#include <array>
#include <cstdint>

#include "bench/common/render.h"
#include "bench/common/script.h"

namespace bench {

namespace {

const char* const NO_PICTURES = "the page draws the panel itself; pictures are the native bench's";

const std::array<uint32_t, 256>& crc_table() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char(v >> shift & 0xFF);
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : typed) crc = crc_table()[(crc ^ c) & 0xFF] ^ (crc >> 8);
    out += typed;
    put32(out, crc ^ 0xFFFFFFFFu);
}

}  // namespace

bool rendering_available() { return false; }
std::string font_description() { return "the browser's"; }
Image render_gauge(const panelhost::Gauge&, int) { throw BenchError(NO_PICTURES); }
Image render_panel(const std::vector<PanelEntry>&, int) { throw BenchError(NO_PICTURES); }
Image render_window(const PanelConfig&, const std::vector<const panelhost::Gauge*>&, int) {
    throw BenchError(NO_PICTURES);
}
void write_png(const Image&, const std::string&) { throw BenchError(NO_PICTURES); }
std::string readout_font_path() { return ""; }
std::string readout_fallback_font_path() { return ""; }

Image image_of(const panelhost::Bitmap& bitmap) {
    Image image(bitmap.width, bitmap.height, 0);
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) image.fill(x, y, 1, 1, bitmap.rgb(x, y));
    return image;
}

std::string encode_png(const Image& image) {
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != size_t(image.width) * image.height * 3)
        throw BenchError("an empty or malformed image cannot be written as a PNG");
    // The filtered rows: a filter byte of 0 (none) before each row.
    std::string raw;
    const size_t row = size_t(image.width) * 3;
    raw.reserve((row + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(image.rgb.data()) + y * row, row);
    }
    // A zlib stream of stored blocks of at most 65535 bytes, with its Adler-32.
    std::string zlib = "\x78\x01";
    size_t at = 0;
    do {
        const size_t size = std::min<size_t>(65535, raw.size() - at);
        zlib += char(at + size == raw.size() ? 1 : 0);  // the last block
        zlib += char(size & 0xFF);
        zlib += char(size >> 8 & 0xFF);
        zlib += char(~size & 0xFF);
        zlib += char(~size >> 8 & 0xFF);
        zlib.append(raw, at, size);
        at += size;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(zlib, b << 16 | a);

    std::string header;
    put32(header, uint32_t(image.width));
    put32(header, uint32_t(image.height));
    header += "\x08\x02\x00\x00\x00";  // 8 bits, RGB, deflate, adaptive filtering, no interlace
    header.resize(13);
    std::string out = "\x89PNG\r\n\x1a\n";
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", "");
    return out;
}

}  // namespace bench
