// Pictures of gauges as the panel engine draws them: the face bitmap, each
// icon whose callback shows it (answer 0) at its position, each read-out's
// text centred in its box on the background colour, in the text colour.
// Read-outs use a seven-segment typeface from the fonts-dseg package (the
// engine's own display font is not available here). What is drawn is the
// state of each gauge's last update.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/common/panel_config.h"
#include "host/host.h"

namespace bench {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, top row first

    Image() = default;
    Image(int w, int h, uint32_t fill_rgb);
    uint32_t at(int x, int y) const;  // 0x00RRGGBB
    void fill(int x, int y, int w, int h, uint32_t colour_rgb);
    // Mixes `colour_rgb` over the pixel by `alpha` (0..255); outside the image does nothing.
    void blend(int x, int y, uint32_t colour_rgb, int alpha);
    // Copies `picture` with its top left corner at x, y; what falls outside is cut off.
    void paste(const Image& picture, int x, int y);
};

// `picture` resized to w x h (each at least 1), every new pixel the mean of
// the old pixels it covers.
Image resized(const Image& picture, int w, int h);
// The part [x, x + w) x [y, y + h) of `picture` resized to `whole_w` x
// `whole_h`, made without the rest: as resized()'s pixels there, at the cost
// of the part's pixels only (the part is cut to the whole).
struct Part {
    int x, y, w, h;
};
Image resized_part(const Image& picture, int whole_w, int whole_h, const Part& part);

// True when this build can draw (the Windows build cannot).
bool rendering_available();

// One gauge, `scale` screen pixels to a face pixel (1 to 8).
Image render_gauge(const panelhost::Gauge& gauge, int scale = 1);

struct PanelEntry {
    std::string label;
    const panelhost::Gauge* gauge;
};

// Gauges side by side on a dark panel, each named beneath.
Image render_panel(const std::vector<PanelEntry>& gauges, int scale = 1);

// The longest side of a window picture in pixels: a window in large units
// is drawn with fewer than `scale` pixels to a unit.
inline constexpr int WINDOW_MAX_PIXELS = 4096;

// A panel configuration's window: `scale` pixels to a window unit (fewer
// when the window would be larger than WINDOW_MAX_PIXELS), each gauge of
// `gauges` (by placement, in config.gauges order) drawn as render_gauge
// draws it, scaled to its place; a null entry is another file's gauge,
// drawn beneath ours as a see-through box labelled as its line names it
// (square when its line gives no height), or as a small labelled marker at
// its place when the line gives no size. A virtual cockpit is drawn on its
// background_color. What lies outside the window is cut off.
Image render_window(const PanelConfig& config, const std::vector<const panelhost::Gauge*>& gauges, int scale = 1);

// A bitmap as the module ships it, pixel for pixel.
Image image_of(const panelhost::Bitmap& bitmap);
// The bytes of a PNG file of the image; throws BenchError on failure.
std::string encode_png(const Image& image);

// Writes a PNG under a temporary name and renames it into place, so that a
// file of that name is always a whole picture. Creates missing folders.
// Throws BenchError naming the file on failure.
void write_png(const Image& image, const std::string& path);

// The font files the read-outs and labels are drawn with (for messages and the README).
std::string font_description();
// The seven-segment font file of the read-outs (PANELBENCH_FONT, or DSEG7 from
// fonts-dseg), and the file of the glyphs it lacks, such as '+'.
std::string readout_font_path();
std::string readout_fallback_font_path();

}  // namespace bench
