// A small raster for drawing the module's artwork in RGB, written out as an
// 8-bit palette BMP. Edges of shapes and letters are antialiased with a few
// fixed coverage steps, so that every bitmap keeps well under 256 colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

// The colours every gauge shares: the display glass, and the near-black of
// panels and printed letters (pure black is never used: hosts treat it as
// transparent on drawn elements).
inline constexpr Rgb GLASS{207, 180, 102};
inline constexpr Rgb INK{8, 8, 8};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    int right() const { return x + w; }   // one past the last column
    int bottom() const { return y + h; }  // one past the last row
};

// Coverage of a pixel by a shape or a letter, in COVERAGE_STEPS + 1 steps.
inline constexpr int COVERAGE_STEPS = 6;

// A grey-level mask, 0..255 per pixel, placed on a canvas in one colour.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width * height, top row first
    // For lettering: the row of the baseline (counted from the mask's top)
    // and the height of a capital, so that words with round letters, whose
    // ink overshoots, still stand on one line. 0 for plain shapes.
    int baseline = 0;
    int cap_height = 0;
    uint8_t at(int x, int y) const { return coverage[size_t(y) * width + x]; }
};

class Canvas {
public:
    Canvas(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    // Points outside the canvas are ignored by every drawing operation.
    void set(int x, int y, Rgb colour);
    // Lays `colour` over the pixel with a coverage of 0..255, rounded to the
    // nearest of the fixed steps.
    void blend(int x, int y, Rgb colour, int coverage);

    void fill(Rect r, Rgb colour);
    // A border `thickness` pixels wide just inside `r`.
    void frame(Rect r, Rgb colour, int thickness = 1);
    // A raised edge: light along the top and left, dark along the bottom and right.
    void bevel(Rect r, Rgb light, Rgb dark, int thickness = 1);
    // A filled disc, antialiased.
    void disc(double cx, double cy, double radius, Rgb colour);
    // A filled triangle, antialiased.
    void triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb colour);
    // A straight line of the given width, antialiased.
    void line(double x0, double y0, double x1, double y1, double width, Rgb colour);
    // Lays a mask with its top-left corner at (x, y).
    void stamp(const Mask& mask, int x, int y, Rgb colour);
    // Lays a mask centred in `box`; lettering is centred by its capitals.
    void stamp_centred(const Mask& mask, Rect box, Rgb colour);

    // The distinct colours used, in a fixed order.
    std::vector<Rgb> colours() const;
    // The image as a BMP file: BITMAPINFOHEADER, 256-entry palette, 8 bits
    // per pixel, no compression, bottom-up rows. Throws std::runtime_error
    // if the drawing uses more than 256 colours.
    std::vector<uint8_t> bmp() const;

private:
    // Supersampled coverage (0..255) of a pixel by a shape given as an
    // inside test at sub-pixel points.
    template <class Inside>
    void cover(double x0, double y0, double x1, double y1, Rgb colour, Inside inside);

    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

}  // namespace art
