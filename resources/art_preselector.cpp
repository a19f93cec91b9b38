// The altitude preselector: a bezel with four screws, the tan display glass,
// DTA and BAR buttons down the left, five buttons along the bottom and the
// small setting knob at the right with its INC arrow and PULL TENTHS mark.
#include <map>
#include <stdexcept>
#include <string>

#include "resources/art.h"
#include "resources/parts.h"

namespace art {

static Canvas preselector_face(const BitmapSize& entry, const Lettering& l) {
    Canvas c(entry.width, entry.height, BEZEL);
    bezel(c);
    for (double x : {6.5, entry.width - 7.5})
        for (double y : {6.5, entry.height - 7.5}) screw(c, x, y, 3.0);

    // The glass, x 42..168, y 23..57.
    display_glass(c, {42, 23, 127, 35}, BEZEL_LIGHT, BEZEL_SHADOW);

    // Buttons; their boxes are the mouse areas.
    const struct { int x, y; const char* label; } buttons[] = {
        {9, 29, "DTA"}, {9, 53, "BAR"},  {30, 78, "ALT"},  {61, 78, "ALR"},
        {93, 78, "DH"}, {127, 78, "VS"}, {162, 78, "MAN"},
    };
    const int size = l.common_size({"DTA", "BAR", "ALT", "ALR", "DH", "VS", "MAN"}, 16, 6, 9, Face::condensed);
    for (const auto& b : buttons) push_button(c, l, {b.x, b.y, 20, 10}, b.label, size, Face::condensed);

    // The knob (about x 189..201, y 39..52), INC and its arrow above, PULL
    // TENTHS below.
    knob(c, 195, 45.5, 6.5);
    c.stamp_centred(l.fit("INC", 20, 6, 7, Face::condensed), {185, 22, 20, 7}, WHITE_PAINT);
    c.triangle(191, 36, 199, 36, 195, 30.5, WHITE_PAINT);
    c.stamp_centred(l.fit("PULL", 24, 6, 7, Face::condensed), {183, 55, 24, 7}, WHITE_PAINT);
    c.stamp_centred(l.fit("TENTHS", 30, 6, 7, Face::condensed), {180, 63, 30, 7}, WHITE_PAINT);
    return c;
}

Canvas paint_preselector(const BitmapSize& entry, const Lettering& l) {
    static const std::map<int32_t, std::string> legends = {
        {BITMAP_PRESEL_ENT, "ENT"}, {BITMAP_PRESEL_SEL, "SEL"}, {BITMAP_PRESEL_ALR, "ALR"}, {BITMAP_PRESEL_BARO, "BARO"}, {BITMAP_PRESEL_ALT, "ALT"}, {BITMAP_PRESEL_DH, "DH"}, {BITMAP_PRESEL_VS, "VS"},
    };
    if (entry.id == BITMAP_PRESEL_FACE) return preselector_face(entry, l);
    const int size = legend_size(l, legends, Face::condensed, 12);
    return legend(entry.width, entry.height, l, legends.at(entry.id), Face::condensed, size);
}

}  // namespace art
