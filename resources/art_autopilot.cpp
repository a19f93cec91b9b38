// The autopilot's control head: a near-black panel with the display glass
// across the top, a scale strip, six push buttons and the VS knob.
#include <map>
#include <stdexcept>
#include <string>

#include "resources/art.h"
#include "resources/parts.h"

namespace art {

static Canvas autopilot_face(const BitmapSize& entry, const Lettering& l) {
    Canvas c(entry.width, entry.height, INK);

    // The display glass, x 24..473, y 25..48, where legends and read-out sit.
    display_glass(c, {24, 25, 450, 24}, Rgb{84, 84, 86}, Rgb{22, 22, 24});

    // The scale strip beneath it: the read-out counts hundreds of ft/min.
    Rect strip{24, 52, 450, 9};
    c.fill(strip, Rgb{118, 118, 114});
    Mask scale = l.fit("VS X 100", 60, strip.h - 2, 9, Face::condensed);
    c.stamp(scale, 470 - scale.width, strip.y + (strip.h - scale.height + 1) / 2, INK);

    // Push buttons; their boxes are the mouse areas. The arm spot between
    // ALT and VS (x 336..351) is bare panel.
    const struct { int x; const char* label; } buttons[] = {
        {26, "HDG"}, {91, "NAV"}, {157, "APR"}, {222, "REV"}, {288, "ALT"}, {355, "VS"},
    };
    const int size = l.common_size({"HDG", "NAV", "APR", "REV", "ALT", "VS"}, 38, 10, 12);
    for (const auto& b : buttons) push_button(c, l, {b.x, 77, 44, 18}, b.label, size);

    // The VS knob between its two click areas (x 416..445 and 458..487),
    // lettered beneath.
    knob(c, 452, 89, 14.5);
    c.stamp_centred(l.fit("VS", 30, 9, 11), {437, 106, 30, 10}, WHITE_PAINT);
    c.triangle(424, 86, 432, 86, 428, 92, Rgb{150, 150, 146});  // turn left: down
    c.triangle(472, 92, 480, 92, 476, 86, Rgb{150, 150, 146});  // turn right: up

    // The maker's plate mark at the top right corner.
    Mask ap = l.fit("A/P", 40, 13, 14);
    c.stamp(ap, 488 - ap.width, 6, WHITE_PAINT);
    return c;
}

static Canvas rdy_legend(const BitmapSize& entry, const Lettering& l) {
    // R, D and Y set diagonally from top left to bottom right.
    Canvas c(entry.width, entry.height, GLASS);
    const char* letters[] = {"R", "D", "Y"};
    const int cell = entry.width / 3;
    const int size = l.common_size({"R", "D", "Y"}, cell - 1, cell, 10);
    for (int i = 0; i < 3; ++i)
        c.stamp_centred(l.render(letters[i], size), {i * cell, i * cell, cell, cell}, INK);
    return c;
}

Canvas paint_autopilot(const BitmapSize& entry, const Lettering& l) {
    static const std::map<int32_t, std::string> legends = {
        {BITMAP_AP_HDG, "HDG"}, {BITMAP_AP_NAV, "NAV"}, {BITMAP_AP_APR, "APR"}, {BITMAP_AP_REV, "REV"}, {BITMAP_AP_ALT, "ALT"},
        {BITMAP_AP_GS, "GS"},  {BITMAP_AP_VS, "VS"},  {BITMAP_AP_GPSS, "GPSS"},
    };
    if (entry.id == BITMAP_AP_FACE) return autopilot_face(entry, l);
    if (entry.id == BITMAP_AP_RDY) return rdy_legend(entry, l);
    const int size = legend_size(l, legends, Face::condensed, entry.height);
    return legend(entry.width, entry.height, l, legends.at(entry.id), Face::condensed, size);
}

}  // namespace art
