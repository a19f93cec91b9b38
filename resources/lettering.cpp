#include "resources/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

namespace art {

struct Lettering::Fonts {
    FT_Library library = nullptr;
    FT_Face bold = nullptr;
    FT_Face condensed = nullptr;
    FT_Face narrow = nullptr;
    ~Fonts() {
        if (bold) FT_Done_Face(bold);
        if (condensed) FT_Done_Face(condensed);
        if (narrow) FT_Done_Face(narrow);
        if (library) FT_Done_FreeType(library);
    }
};

static FT_Face open_typeface(FT_Library library, const std::string& path) {
    FT_Face typeface = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &typeface) != 0)
        throw std::runtime_error("cannot open the font '" + path + "' (package fonts-dejavu-core)");
    return typeface;
}

Lettering::Lettering(const std::string& font_folder) : fonts_(std::make_unique<Fonts>()) {
    if (FT_Init_FreeType(&fonts_->library) != 0) throw std::runtime_error("cannot start FreeType");
    fonts_->bold = open_typeface(fonts_->library, font_folder + "/DejaVuSans-Bold.ttf");
    fonts_->condensed = open_typeface(fonts_->library, font_folder + "/DejaVuSansCondensed-Bold.ttf");
    fonts_->narrow = open_typeface(fonts_->library, font_folder + "/DejaVuSansCondensed.ttf");
}

Lettering::~Lettering() = default;

Mask Lettering::render(std::string_view text, int pixel_size, Typeface which, int tracking) const {
    FT_Face typeface = which == Typeface::bold ? fonts_->bold : which == Typeface::condensed ? fonts_->condensed : fonts_->narrow;
    if (FT_Set_Pixel_Sizes(typeface, 0, FT_UInt(pixel_size)) != 0)
        throw std::runtime_error("cannot set the font size " + std::to_string(pixel_size));

    // Letters go onto a scratch sheet along a baseline, then the sheet is cut
    // to the ink.
    const int sheet_w = int(text.size()) * (pixel_size * 2 + std::max(tracking, 0)) + 4;
    const int sheet_h = pixel_size * 3;
    const int baseline = pixel_size * 2;
    std::vector<uint8_t> sheet(size_t(sheet_w) * sheet_h, 0);
    int pen = 2;
    for (char ch : text) {
        if (FT_Load_Char(typeface, FT_ULong(static_cast<unsigned char>(ch)), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
            throw std::runtime_error(std::string("the font has no letter '") + ch + "'");
        const FT_GlyphSlot g = typeface->glyph;
        const FT_Bitmap& b = g->bitmap;
        for (unsigned row = 0; row < b.rows; ++row)
            for (unsigned col = 0; col < b.width; ++col) {
                int x = pen + g->bitmap_left + int(col), y = baseline - g->bitmap_top + int(row);
                if (x < 0 || y < 0 || x >= sheet_w || y >= sheet_h) continue;
                uint8_t& s = sheet[size_t(y) * sheet_w + x];
                s = std::max(s, b.buffer[row * b.pitch + col]);
            }
        pen += int((g->advance.x + 32) >> 6) + tracking;
    }

    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < sheet_h; ++y)
        for (int x = 0; x < sheet_w; ++x)
            if (sheet[size_t(y) * sheet_w + x] >= 255 / (2 * COVERAGE_STEPS)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    Mask mask;
    if (right < 0) return mask;
    mask.width = right - left + 1;
    mask.height = bottom - top + 1;
    mask.baseline = baseline - top;
    mask.cap_height = text == "H" ? mask.height : render("H", pixel_size, which).height;
    mask.coverage.resize(size_t(mask.width) * mask.height);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            mask.coverage[size_t(y) * mask.width + x] = sheet[size_t(top + y) * sheet_w + left + x];
    return mask;
}

Mask Lettering::fit(std::string_view text, int width, int height, int pixel_size, Typeface typeface, int tracking) const {
    for (int size = pixel_size; size > 4; --size) {
        Mask mask = render(text, size, typeface, tracking);
        if (mask.width <= width && mask.height <= height) return mask;
    }
    throw std::runtime_error("'" + std::string(text) + "' does not fit in " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels");
}

int Lettering::common_size(std::initializer_list<std::string_view> texts, int width, int height, int pixel_size,
                           Typeface typeface, int tracking) const {
    // Letters only shrink with the size, so one pass down suffices.
    int size = pixel_size;
    for (std::string_view text : texts)
        for (Mask m = render(text, size, typeface, tracking); m.width > width || m.height > height;
             m = render(text, size, typeface, tracking))
            if (--size <= 4)
                throw std::runtime_error("'" + std::string(text) + "' does not fit in " + std::to_string(width) +
                                         " x " + std::to_string(height) + " pixels");
    return size;
}

}  // namespace art
