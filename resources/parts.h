// Panel furniture the three faces share: bezels, screws, push buttons,
// knobs and the tan display glass.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "resources/canvas.h"
#include "resources/lettering.h"

namespace art {

// Greys of the panels.
inline constexpr Rgb BEZEL{44, 45, 48};
inline constexpr Rgb BEZEL_LIGHT{92, 94, 98};
inline constexpr Rgb BEZEL_SHADOW{18, 18, 20};
inline constexpr Rgb CAP{40, 40, 43};
inline constexpr Rgb CAP_LIGHT{104, 104, 108};
inline constexpr Rgb CAP_SHADOW{14, 14, 15};
inline constexpr Rgb WHITE_PAINT{236, 236, 230};
inline constexpr Rgb FRAME_LIGHT{176, 176, 170};

// A whole face in bezel grey with a raised outer edge.
void bezel(Canvas& c);
// A slotted screw head centred at (cx, cy).
void screw(Canvas& c, double cx, double cy, double radius = 3.5);
// The display glass: a plain tan rectangle with a sunken edge drawn just
// outside it, so that every pixel of `glass` stays exactly GLASS.
void display_glass(Canvas& c, Rect glass, Rgb edge_light, Rgb edge_dark);
// A push button filling `box`, with its label in white paint ("" for none).
void push_button(Canvas& c, const Lettering& l, Rect box, std::string_view label, int pixel_size,
                 Typeface typeface = Typeface::bold);
// A round, knurled knob.
void knob(Canvas& c, double cx, double cy, double radius);

// A lit legend of `width` x `height`: dark letters centred on the display
// glass, at `pixel_size` or smaller, as large as fits with a margin of a
// sixth of the height (at least one pixel) all round.
Canvas legend(int width, int height, const Lettering& l, std::string_view text, Typeface typeface, int pixel_size);
// The largest letter size, at most `pixel_size`, at which every legend of
// `legends` (bitmap id -> text) fits its own bitmap, so that one gauge's
// legends all read alike.
int legend_size(const Lettering& l, const std::map<int32_t, std::string>& legends, Typeface typeface, int pixel_size);

}  // namespace art
