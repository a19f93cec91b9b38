// The bench's picture buffer: plain RGB pixels.
#include "bench/common/render.h"

namespace bench {

Image::Image(int w, int h, uint32_t fill_rgb) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3) {
    fill(0, 0, w, h, fill_rgb);
}

uint32_t Image::at(int x, int y) const {
    const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void Image::fill(int x, int y, int w, int h, uint32_t colour_rgb) {
    for (int row = y < 0 ? 0 : y; row < y + h && row < height; ++row)
        for (int col = x < 0 ? 0 : x; col < x + w && col < width; ++col) {
            uint8_t* p = &rgb[(size_t(row) * size_t(width) + size_t(col)) * 3];
            p[0] = uint8_t(colour_rgb >> 16);
            p[1] = uint8_t(colour_rgb >> 8);
            p[2] = uint8_t(colour_rgb);
        }
}

void Image::blend(int x, int y, uint32_t colour_rgb, int alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
    if (alpha > 255) alpha = 255;
    uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    for (int i = 0; i < 3; ++i) {
        int c = int(colour_rgb >> (16 - 8 * i)) & 0xFF;
        p[i] = uint8_t((c * alpha + p[i] * (255 - alpha) + 127) / 255);
    }
}

}  // namespace bench
