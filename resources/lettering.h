// Lettering for the artwork: text rendered with FreeType from the DejaVu
// fonts into grey-level masks cut to the ink.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "resources/canvas.h"

namespace art {

// bold: DejaVu Sans Bold; condensed: DejaVu Sans Condensed Bold; narrow:
// DejaVu Sans Condensed, whose thinner strokes stay open at the smallest sizes.
enum class Typeface { bold, condensed, narrow };

class Lettering {
public:
    // Opens the fonts in `font_folder`. Throws std::runtime_error naming the
    // file when one cannot be opened.
    explicit Lettering(const std::string& font_folder = "/usr/share/fonts/truetype/dejavu");
    ~Lettering();
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;

    // `text` set at `pixel_size` (the font's em in pixels), with `tracking`
    // extra pixels between letters; the mask is cut to the ink of the letters.
    Mask render(std::string_view text, int pixel_size, Typeface typeface = Typeface::bold, int tracking = 0) const;
    // The largest rendering of `text`, from `pixel_size` down, whose ink fits
    // in `width` x `height`.
    Mask fit(std::string_view text, int width, int height, int pixel_size, Typeface typeface = Typeface::bold,
             int tracking = 0) const;

    // The largest pixel size, from `pixel_size` down, at which every one of
    // `texts` fits in `width` x `height`, so that a row of labels matches.
    int common_size(std::initializer_list<std::string_view> texts, int width, int height, int pixel_size,
                    Typeface typeface = Typeface::bold, int tracking = 0) const;

private:
    struct Fonts;
    std::unique_ptr<Fonts> fonts_;
};

}  // namespace art
