// Bitmaps as the module ships them: 8-bit palette DIBs under numeric ids.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panelhost {

struct Bitmap {
    int32_t id = 0;
    int width = 0;
    int height = 0;
    int bit_count = 0;               // as stored; the module ships 8
    uint32_t compression = 0;        // as stored; the module ships 0 (none)
    bool bottom_up = true;           // as stored (positive height)
    std::vector<uint32_t> palette;   // 0x00RRGGBB
    std::vector<uint8_t> pixels;     // palette indices, top row first, width per row

    uint32_t rgb(int x, int y) const { return palette.at(pixels.at(size_t(y) * width + x)); }
};

// Parses a DIB (BITMAPINFOHEADER, palette, pixels) of 8 bits per pixel, or
// of another depth for its header fields only. Throws HostError, naming
// `what`, on a truncated or malformed image.
Bitmap parse_dib(const uint8_t* data, size_t size, int32_t id, const std::string& what);

// Loads bitmap `id` through the module's instance handle: from the module's
// RT_BITMAP resources (language 1033) on Windows; natively from
// `<resource_folder>/<id>.bmp`, the resource generator's output.
Bitmap load_bitmap(void* instance, const std::string& resource_folder, int32_t id);

}  // namespace panelhost
