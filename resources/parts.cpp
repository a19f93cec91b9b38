#include "resources/parts.h"

#include "resources/bitmaps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

void bezel(Canvas& c) {
    c.fill({0, 0, c.width(), c.height()}, BEZEL);
    c.bevel({0, 0, c.width(), c.height()}, BEZEL_LIGHT, BEZEL_SHADOW, 2);
}

void screw(Canvas& c, double cx, double cy, double radius) {
    c.disc(cx + 0.6, cy + 0.6, radius, BEZEL_SHADOW);
    c.disc(cx, cy, radius, Rgb{150, 150, 146});
    c.disc(cx - 0.5, cy - 0.5, radius * 0.55, Rgb{184, 184, 178});
    c.line(cx - radius * 0.75, cy + radius * 0.75, cx + radius * 0.75, cy - radius * 0.75, 1.1, Rgb{52, 52, 52});
}

void display_glass(Canvas& c, Rect glass, Rgb edge_light, Rgb edge_dark) {
    Rect edge{glass.x - 2, glass.y - 2, glass.w + 4, glass.h + 4};
    c.bevel(edge, edge_dark, edge_light, 2);
    c.fill(glass, GLASS);
}

void push_button(Canvas& c, const Lettering& l, Rect box, std::string_view label, int pixel_size, Typeface typeface) {
    c.fill(box, CAP);
    c.bevel(box, CAP_LIGHT, CAP_SHADOW);
    if (label.empty()) return;
    Rect top{box.x + 1, box.y + 1, box.w - 2, box.h - 2};
    c.stamp_centred(l.fit(label, top.w - 2, top.h - 2, pixel_size, typeface), top, WHITE_PAINT);
}

void knob(Canvas& c, double cx, double cy, double radius) {
    c.disc(cx + 1, cy + 1.5, radius, Rgb{10, 10, 11});
    c.disc(cx, cy, radius, Rgb{70, 70, 74});
    // Knurling round the rim.
    const int ridges = int(radius * 2.4);
    for (int i = 0; i < ridges; ++i) {
        double a = 2 * std::numbers::pi * i / ridges;
        c.line(cx + std::cos(a) * radius * 0.78, cy + std::sin(a) * radius * 0.78, cx + std::cos(a) * radius * 0.97,
               cy + std::sin(a) * radius * 0.97, 0.9, Rgb{30, 30, 32});
    }
    c.disc(cx, cy, radius * 0.72, Rgb{52, 52, 56});
    c.disc(cx - radius * 0.12, cy - radius * 0.12, radius * 0.5, Rgb{64, 64, 68});
    // The pointer line.
    c.line(cx, cy - radius * 0.2, cx, cy - radius * 0.9, std::max(1.0, radius * 0.12), WHITE_PAINT);
}

// The letter box of a legend: a margin of a sixth of the height (at least
// one pixel) above and below, one pixel at the sides.
static Rect legend_room(int width, int height) {
    const int margin = std::max(1, height / 6);
    return {1, margin, width - 2, height - 2 * margin};
}

int legend_size(const Lettering& l, const std::map<int32_t, std::string>& legends, Typeface typeface, int pixel_size) {
    int size = pixel_size;
    for (const auto& [id, text] : legends)
        for (const BitmapSize& entry : MODULE_BITMAPS)
            if (entry.id == id) {
                const Rect room = legend_room(entry.width, entry.height);
                size = l.common_size({text}, room.w, room.h, size, typeface);
            }
    return size;
}

Canvas legend(int width, int height, const Lettering& l, std::string_view text, Typeface typeface, int pixel_size) {
    Canvas c(width, height, GLASS);
    const Rect room = legend_room(width, height);
    c.stamp_centred(l.fit(text, room.w, room.h, pixel_size, typeface), {0, 0, width, height}, INK);
    return c;
}

}  // namespace art
