#include "resources/canvas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

namespace art {

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}

void Canvas::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * width_ + x] = colour;
}

void Canvas::blend(int x, int y, Rgb colour, int coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    int step = (std::clamp(coverage, 0, 255) * COVERAGE_STEPS + 127) / 255;
    if (step == 0) return;
    Rgb& p = pixels_[size_t(y) * width_ + x];
    auto mix = [step](uint8_t under, uint8_t over) {
        return uint8_t((under * (COVERAGE_STEPS - step) + over * step + COVERAGE_STEPS / 2) / COVERAGE_STEPS);
    };
    p = {mix(p.r, colour.r), mix(p.g, colour.g), mix(p.b, colour.b)};
}

void Canvas::fill(Rect r, Rgb colour) {
    for (int y = r.y; y < r.bottom(); ++y)
        for (int x = r.x; x < r.right(); ++x) set(x, y, colour);
}

void Canvas::frame(Rect r, Rgb colour, int thickness) {
    fill({r.x, r.y, r.w, thickness}, colour);
    fill({r.x, r.bottom() - thickness, r.w, thickness}, colour);
    fill({r.x, r.y, thickness, r.h}, colour);
    fill({r.right() - thickness, r.y, thickness, r.h}, colour);
}

void Canvas::bevel(Rect r, Rgb light, Rgb dark, int thickness) {
    fill({r.x, r.bottom() - thickness, r.w, thickness}, dark);
    fill({r.right() - thickness, r.y, thickness, r.h}, dark);
    fill({r.x, r.y, r.w - thickness, thickness}, light);
    fill({r.x, r.y, thickness, r.h - thickness}, light);
}

template <class Inside>
void Canvas::cover(double x0, double y0, double x1, double y1, Rgb colour, Inside inside) {
    constexpr int SUB = 4;
    int left = std::max(0, int(std::floor(x0))), right = std::min(width_ - 1, int(std::ceil(x1)));
    int top = std::max(0, int(std::floor(y0))), bottom = std::min(height_ - 1, int(std::ceil(y1)));
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            int hits = 0;
            for (int sy = 0; sy < SUB; ++sy)
                for (int sx = 0; sx < SUB; ++sx)
                    hits += inside(x + (sx + 0.5) / SUB, y + (sy + 0.5) / SUB);
            blend(x, y, colour, hits * 255 / (SUB * SUB));
        }
}

void Canvas::disc(double cx, double cy, double radius, Rgb colour) {
    cover(cx - radius, cy - radius, cx + radius, cy + radius, colour, [&](double x, double y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    });
}

void Canvas::triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb colour) {
    auto side = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    cover(std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}), std::max({y0, y1, y2}), colour,
          [&](double x, double y) {
              double a = side(x0, y0, x1, y1, x, y), b = side(x1, y1, x2, y2, x, y), c = side(x2, y2, x0, y0, x, y);
              return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
          });
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, Rgb colour) {
    double dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy, half = width / 2;
    cover(std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half, std::max(y0, y1) + half,
          colour, [&](double x, double y) {
              double t = length2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0, 1.0) : 0.0;
              double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
              return ex * ex + ey * ey <= half * half;
          });
}

void Canvas::stamp(const Mask& mask, int x, int y, Rgb colour) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) blend(x + mx, y + my, colour, mask.at(mx, my));
}

void Canvas::stamp_centred(const Mask& mask, Rect box, Rgb colour) {
    const int x = box.x + (box.w - mask.width + 1) / 2;
    if (mask.cap_height <= 0) {
        stamp(mask, x, box.y + (box.h - mask.height + 1) / 2, colour);
        return;
    }
    const int cap_top = box.y + (box.h - mask.cap_height + 1) / 2;
    stamp(mask, x, cap_top + mask.cap_height - mask.baseline, colour);
}

std::vector<Rgb> Canvas::colours() const {
    std::vector<Rgb> out(pixels_);
    auto key = [](Rgb c) { return std::tuple(c.r, c.g, c.b); };
    std::sort(out.begin(), out.end(), [&](Rgb a, Rgb b) { return key(a) < key(b); });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

static void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
static void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

std::vector<uint8_t> Canvas::bmp() const {
    std::vector<Rgb> palette = colours();
    if (palette.size() > 256)
        throw std::runtime_error("the drawing uses " + std::to_string(palette.size()) + " colours, more than 256");
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, uint8_t> index;
    for (size_t i = 0; i < palette.size(); ++i) index[{palette[i].r, palette[i].g, palette[i].b}] = uint8_t(i);
    palette.resize(256, INK);  // unused entries: never pure black

    const uint32_t stride = (uint32_t(width_) + 3) & ~3u;
    const uint32_t image_size = stride * uint32_t(height_);
    const uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<uint8_t> out;
    out.reserve(offset + image_size);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);                 // BITMAPINFOHEADER
    put32(out, uint32_t(width_));
    put32(out, uint32_t(height_));  // positive: bottom-up
    put16(out, 1);                  // planes
    put16(out, 8);                  // bits per pixel
    put32(out, 0);                  // BI_RGB
    put32(out, image_size);
    put32(out, 2835);               // 72 dpi
    put32(out, 2835);
    put32(out, 256);                // colours used
    put32(out, 0);                  // colours important: all
    for (Rgb c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int row = height_ - 1; row >= 0; --row) {
        for (int x = 0; x < width_; ++x) {
            Rgb c = at(x, row);
            out.push_back(index.at({c.r, c.g, c.b}));
        }
        out.resize(out.size() + (stride - uint32_t(width_)), 0);
    }
    return out;
}

}  // namespace art
