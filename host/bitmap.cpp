#include "host/bitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "host/error.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace panelhost {

static uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
static uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

Bitmap parse_dib(const uint8_t* data, size_t size, int32_t id, const std::string& what) {
    auto fail = [&](const std::string& why) { return HostError(what + ": bitmap " + std::to_string(id) + " " + why); };
    if (size < 40) throw fail("is truncated");
    uint32_t header_size = le32(data);
    if (header_size < 40 || header_size > size) throw fail("has no BITMAPINFOHEADER");
    Bitmap b;
    b.id = id;
    b.width = int32_t(le32(data + 4));
    // The row count is the height's magnitude, taken in 64 bits: the most
    // negative 32-bit height has none in 32.
    int64_t height = int32_t(le32(data + 8));
    b.bottom_up = height > 0;
    int64_t rows = height < 0 ? -height : height;
    b.bit_count = le16(data + 14);
    b.compression = le32(data + 16);
    if (b.width <= 0 || rows <= 0 || b.width > 4096 || rows > 4096) throw fail("has a bad size");
    b.height = int(rows);
    if (b.bit_count != 8 || b.compression != 0) return b;  // header fields only

    uint32_t colours = le32(data + 32);
    if (colours == 0 || colours > 256) colours = 256;
    size_t palette_at = header_size;
    size_t pixels_at = palette_at + size_t(colours) * 4;
    size_t stride = (size_t(b.width) + 3) & ~size_t(3);
    if (pixels_at + stride * b.height > size) throw fail("is truncated");
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* q = data + palette_at + i * 4;  // blue, green, red, reserved
        b.palette.push_back(uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0]);
    }
    b.pixels.resize(size_t(b.width) * b.height);
    for (int row = 0; row < b.height; ++row) {
        int stored = b.bottom_up ? b.height - 1 - row : row;
        std::memcpy(&b.pixels[size_t(row) * b.width], data + pixels_at + stride * stored, b.width);
    }
    for (uint8_t index : b.pixels)
        if (index >= b.palette.size()) throw fail("uses a colour outside its palette");
    return b;
}

Bitmap load_bitmap(void* instance, const std::string& resource_folder, int32_t id) {
#if defined(_WIN32)
    (void)resource_folder;
    HMODULE module = static_cast<HMODULE>(instance);
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(2) /* RT_BITMAP */, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found) throw HostError("module resources: bitmap " + std::to_string(id) + " not found (RT_BITMAP, language 1033)");
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw HostError("module resources: bitmap " + std::to_string(id) + " cannot be loaded");
    return parse_dib(static_cast<const uint8_t*>(data), SizeofResource(module, found), id, "module resources");
#else
    (void)instance;
    std::string path = resource_folder + "/" + std::to_string(id) + ".bmp";
    std::ifstream in(path, std::ios::binary);
    if (!in) throw HostError("bitmap " + std::to_string(id) + " not found: no file '" + path + "'");
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') throw HostError("'" + path + "' is not a BMP file");
    return parse_dib(file.data() + 14, file.size() - 14, id, path);
#endif
}

}  // namespace panelhost
