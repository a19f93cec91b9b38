// The bench's picture buffer: plain RGB pixels.
#include "bench/common/render.h"

#include <algorithm>
#include <cmath>

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

void Image::paste(const Image& picture, int x, int y) {
    for (int row = 0; row < picture.height; ++row) {
        if (y + row < 0 || y + row >= height) continue;
        const int first = std::max(0, -x), last = std::min(picture.width, width - x);
        if (first >= last) return;
        std::copy_n(&picture.rgb[(size_t(row) * size_t(picture.width) + size_t(first)) * 3], size_t(last - first) * 3,
                    &rgb[(size_t(y + row) * size_t(width) + size_t(x + first)) * 3]);
    }
}

Image resized(const Image& picture, int w, int h) { return resized_part(picture, w, h, {0, 0, w, h}); }

Image resized_part(const Image& picture, int w, int h, const Part& part) {
    w = std::max(1, w);
    h = std::max(1, h);
    // Only the pixels of the part are made, whatever the whole's size.
    const int left = std::clamp(part.x, 0, w), top = std::clamp(part.y, 0, h);
    const int right = int(std::clamp(int64_t(part.x) + part.w, int64_t(left), int64_t(w)));
    const int bottom = int(std::clamp(int64_t(part.y) + part.h, int64_t(top), int64_t(h)));
    Image out(std::max(1, right - left), std::max(1, bottom - top), 0);
    if (picture.width <= 0 || picture.height <= 0) return out;
    // Each new pixel covers [x0, x1) x [y0, y1) of the old one, in old pixels;
    // partly covered old pixels count by the part covered.
    const double sx = double(picture.width) / w, sy = double(picture.height) / h;
    for (int y = 0; y < out.height; ++y) {
        const double y0 = (top + y) * sy, y1 = (top + y + 1) * sy;
        for (int x = 0; x < out.width; ++x) {
            const double x0 = (left + x) * sx, x1 = (left + x + 1) * sx;
            double sum[3] = {}, area = 0;
            for (int py = int(y0); py < picture.height && py < y1; ++py) {
                const double wy = std::min<double>(py + 1, y1) - std::max<double>(py, y0);
                for (int px = int(x0); px < picture.width && px < x1; ++px) {
                    const double weight = wy * (std::min<double>(px + 1, x1) - std::max<double>(px, x0));
                    const uint8_t* p = &picture.rgb[(size_t(py) * size_t(picture.width) + size_t(px)) * 3];
                    for (int i = 0; i < 3; ++i) sum[i] += weight * p[i];
                    area += weight;
                }
            }
            uint8_t* q = &out.rgb[(size_t(y) * size_t(out.width) + size_t(x)) * 3];
            for (int i = 0; i < 3; ++i) q[i] = uint8_t(std::lround(area > 0 ? sum[i] / area : 0));
        }
    }
    return out;
}

}  // namespace bench
