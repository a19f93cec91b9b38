#include "bench/common/render.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "bench/common/bmp.h"
#include "bench/common/file_write.h"
#include "bench/common/script.h"

namespace bench {

namespace {

const char* const READOUT_FONT = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Bold.ttf";
// The seven-segment typeface has no '+'; the fourteen-segment one of the same family does.
const char* const READOUT_FALLBACK_FONT = "/usr/share/fonts/truetype/dseg/DSEG14Classic-Bold.ttf";
const char* const LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

constexpr uint32_t PANEL_COLOUR = 0x2A2A2A;
constexpr uint32_t LABEL_COLOUR = 0xC8C8C8;
// The most characters of a text drawn: a read-out has 31, a label its file and gauge names.
constexpr size_t DRAWN_TEXT_MAX = 80;

// The fonts, opened once for the life of the program.
class Fonts {
public:
    static Fonts& get() {
        static Fonts fonts;
        if (!fonts.readout)
            throw BenchError("cannot open the read-out font " + fonts.readout_path +
                             " (install the Debian package fonts-dseg, or name a font file in PANELBENCH_FONT)");
        return fonts;
    }
    ~Fonts() {
        for (FT_Face typeface : {readout, fallback, label})
            if (typeface) FT_Done_Face(typeface);
        if (library) FT_Done_FreeType(library);
    }

    FT_Library library = nullptr;
    FT_Face readout = nullptr;
    FT_Face fallback = nullptr;
    FT_Face label = nullptr;
    std::string readout_path;

private:
    Fonts() {
        readout_path = readout_font_path();
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            return;
        }
        readout = open(readout_path.c_str());
        fallback = open(READOUT_FALLBACK_FONT);
        label = open(LABEL_FONT);
    }
    FT_Face open(const char* path) {
        FT_Face typeface = nullptr;
        if (FT_New_Face(library, path, 0, &typeface) != 0) return nullptr;
        return typeface;
    }
};

uint32_t rgb_of_colour_word(uint32_t bbggrr) {
    return (bbggrr & 0xFF) << 16 | (bbggrr & 0xFF00) | (bbggrr >> 16 & 0xFF);
}

struct Box {
    int x, y, w, h;
};

// The typeface that has a glyph for `c`: the first of `typefaces` that does, else the first.
FT_Face typeface_for(char c, std::initializer_list<FT_Face> typefaces) {
    for (FT_Face typeface : typefaces)
        if (typeface && FT_Get_Char_Index(typeface, static_cast<unsigned char>(c)) != 0) return typeface;
    return *typefaces.begin();
}

void set_size(std::initializer_list<FT_Face> typefaces, int pixels) {
    for (FT_Face typeface : typefaces)
        if (typeface) FT_Set_Pixel_Sizes(typeface, 0, FT_UInt(pixels));
}

int text_width(const std::string& text, std::initializer_list<FT_Face> typefaces) {
    int width = 0;
    for (char c : text) {
        FT_Face typeface = typeface_for(c, typefaces);
        if (FT_Load_Char(typeface, static_cast<unsigned char>(c), FT_LOAD_DEFAULT) == 0)
            width += int(typeface->glyph->advance.x >> 6);
    }
    return width;
}

// Draws `text` centred in `box` (clipped to it), its ink as tall as `ink_height`
// where the box is wide enough, smaller where it is not.
void draw_text(Image& image, const std::string& whole, const Box& box, int ink_height, uint32_t colour,
               std::initializer_list<FT_Face> typefaces) {
    FT_Face main = *typefaces.begin();
    if (!main || whole.empty() || ink_height < 2) return;
    // A label is cut before it is measured and drawn: what fits a box is
    // far shorter, and a long one would cost time by its length.
    const std::string text = whole.size() > DRAWN_TEXT_MAX ? whole.substr(0, DRAWN_TEXT_MAX - 3) + "..." : whole;
    // The digit 8 fills a seven-segment cell: it fixes the size and the vertical centre.
    set_size(typefaces, 100);
    if (FT_Load_Char(main, '8', FT_LOAD_DEFAULT) != 0) return;
    const double ink_per_pixel = double(main->glyph->metrics.height) / 64.0 / 100.0;
    int pixels = std::max(4, int(ink_height / ink_per_pixel));
    set_size(typefaces, pixels);
    const int room = box.w - 2;
    for (int width = text_width(text, typefaces); width > room && pixels > 4; width = text_width(text, typefaces)) {
        pixels = std::max(4, std::min(pixels - 1, pixels * room / width));
        set_size(typefaces, pixels);
    }
    FT_Load_Char(main, '8', FT_LOAD_DEFAULT);
    const int top = int(main->glyph->metrics.horiBearingY >> 6);
    const int height = int(main->glyph->metrics.height >> 6);
    const int baseline = box.y + (box.h - height) / 2 + top;
    int pen = box.x + (box.w - text_width(text, typefaces)) / 2;
    for (char c : text) {
        FT_Face typeface = typeface_for(c, typefaces);
        if (FT_Load_Char(typeface, static_cast<unsigned char>(c), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot glyph = typeface->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned col = 0; col < bitmap.width; ++col) {
                int x = pen + glyph->bitmap_left + int(col), y = baseline - glyph->bitmap_top + int(row);
                if (x < box.x || y < box.y || x >= box.x + box.w || y >= box.y + box.h) continue;
                image.blend(x, y, colour, bitmap.buffer[int(row) * bitmap.pitch + int(col)]);
            }
        pen += int(glyph->advance.x >> 6);
    }
}

void draw_bitmap(Image& image, const panelhost::Bitmap& bitmap, int x0, int y0, int scale) {
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            image.fill((x0 + x) * scale, (y0 + y) * scale, scale, scale, bitmap.rgb(x, y));
}

}  // namespace

bool rendering_available() { return true; }

std::string readout_font_path() {
    const char* chosen = std::getenv("PANELBENCH_FONT");
    return chosen && *chosen ? chosen : READOUT_FONT;
}

std::string readout_fallback_font_path() { return READOUT_FALLBACK_FONT; }

std::string font_description() {
    std::string path = Fonts::get().readout_path;
    return "read-outs in " + path + " ('+' from " + READOUT_FALLBACK_FONT + "), labels in " + LABEL_FONT;
}

Image render_gauge(const panelhost::Gauge& gauge, int scale) {
    scale = std::clamp(scale, 1, 8);
    Fonts& fonts = Fonts::get();
    const panelhost::Bitmap& face = gauge.bitmap(gauge.face()->header.resource_id);
    Image image(face.width * scale, face.height * scale, 0);
    draw_bitmap(image, face, 0, 0, scale);
    for (size_t i = 0; i < gauge.children().size(); ++i) {
        const ELEMENT_HEADER* child = gauge.children()[i];
        if (child->element_type == ELEMENT_TYPE_ICON) {
            if (gauge.answer(i) == 0.0)
                draw_bitmap(image, gauge.bitmap(child->resource_id), child->position_x, child->position_y, scale);
        } else if (child->element_type == ELEMENT_TYPE_STRING) {
            const auto* string = reinterpret_cast<const ELEMENT_STRING*>(child);
            const Box box{child->position_x * scale, child->position_y * scale, int(string->box_width) * scale,
                          int(string->box_height) * scale};
            image.fill(box.x, box.y, box.w, box.h, rgb_of_colour_word(string->style.background_colour));
            const int margin = std::max(1, int(box.h * 0.15 + 0.5));
            draw_text(image, gauge.text(i), box, box.h - 2 * margin, rgb_of_colour_word(string->style.text_colour),
                      {fonts.readout, fonts.fallback});
        }
    }
    return image;
}

Image render_panel(const std::vector<PanelEntry>& gauges, int scale) {
    scale = std::clamp(scale, 1, 8);
    Fonts& fonts = Fonts::get();
    std::vector<Image> pictures;
    for (const PanelEntry& entry : gauges) pictures.push_back(render_gauge(*entry.gauge, scale));
    const int margin = 12 * scale, label_height = fonts.label ? 18 * scale : 0;
    int width = margin, height = 0;
    for (const Image& picture : pictures) {
        width += picture.width + margin;
        height = std::max(height, picture.height);
    }
    Image panel(std::max(width, 2 * margin), height + 2 * margin + label_height, PANEL_COLOUR);
    int x = margin;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Image& picture = pictures[i];
        for (int row = 0; row < picture.height; ++row)
            std::copy_n(&picture.rgb[size_t(row) * size_t(picture.width) * 3], size_t(picture.width) * 3,
                        &panel.rgb[(size_t(margin + row) * size_t(panel.width) + size_t(x)) * 3]);
        if (fonts.label)
            draw_text(panel, gauges[i].label, Box{x, margin + height + 2 * scale, picture.width, label_height},
                      11 * scale, LABEL_COLOUR, {fonts.label});
        x += picture.width + margin;
    }
    return panel;
}

Image render_window(const PanelConfig& config, const std::vector<const panelhost::Gauge*>& gauges, int scale) {
    constexpr uint32_t BOX_COLOUR = 0x3A3A3A, BOX_EDGE = 0x8C8C8C;
    if (gauges.size() != config.gauges.size())
        throw BenchError("render_window: " + std::to_string(gauges.size()) + " gauges for " +
                         std::to_string(config.gauges.size()) + " placements");
    Fonts& fonts = Fonts::get();
    scale = std::clamp(scale, 1, 8);
    const int longest = std::max({config.width, config.height, 1});
    const double unit = std::min(double(scale), double(WINDOW_MAX_PIXELS) / longest);
    auto px = [unit](int units) { return int(std::lround(units * unit)); };
    // A virtual cockpit's texture is drawn on its background_color; a window on the panel's own grey.
    Image window(std::max(1, px(config.width)), std::max(1, px(config.height)),
                 config.virtual_cockpit ? config.background_colour : PANEL_COLOUR);
    // The background picture is stretched to the whole window, whatever its own size.
    if (const BmpImage* picture = config.background_picture.get()) {
        Image background;
        background.width = picture->width;
        background.height = picture->height;
        background.rgb = picture->rgb;
        window.paste(resized(background, window.width, window.height), 0, 0);
    }
    // Other files' gauges first, as see-through boxes and markers, so that
    // one covering the whole window (a lighting gauge, say) hides neither
    // the picture nor our gauges; ours on top, in file order.
    auto shade = [&window](int x, int y, int w, int h, uint32_t colour, int alpha) {
        for (int row = std::max(0, y); row < std::min(window.height, y + h); ++row)
            for (int col = std::max(0, x); col < std::min(window.width, x + w); ++col) window.blend(col, row, colour, alpha);
    };
    constexpr int SEE_THROUGH = 150;
    for (size_t i = 0; i < gauges.size(); ++i) {
        const PanelPlacement& p = config.gauges[i];
        if (gauges[i]) continue;
        const int x = px(p.x), y = px(p.y), w = std::max(1, px(p.width));
        if (p.width == 0) {
            // A line that gives no size: a small marker at its place, its label beside it.
            const int side = std::max(6, px(PANEL_MARKER_UNITS));
            const int label = std::max(10, side * 3 / 4);
            window.fill(x, y, side, side, BOX_EDGE);
            window.fill(x + side / 4, y + side / 4, side - 2 * (side / 4), side - 2 * (side / 4), BOX_COLOUR);
            if (fonts.label) {
                set_size({fonts.label}, label);
                const int room = std::min(text_width(p.named, {fonts.label}) + 4, std::max(0, window.width - x - side));
                shade(x + side + 2, y + side / 2 - label * 2 / 3, room, label * 4 / 3, BOX_COLOUR, SEE_THROUGH);
                draw_text(window, p.named, Box{x + side + 2, y + side / 2 - label, room, 2 * label}, label * 7 / 10,
                          LABEL_COLOUR, {fonts.label});
            }
            continue;
        }
        const int h = std::max(1, p.height ? px(p.height) : w);
        const int edge = std::max(1, int(unit + 0.5));
        shade(x, y, w, edge, BOX_EDGE, 255);
        shade(x, y + h - edge, w, edge, BOX_EDGE, 255);
        shade(x, y + edge, edge, h - 2 * edge, BOX_EDGE, 255);
        shade(x + w - edge, y + edge, edge, h - 2 * edge, BOX_EDGE, 255);
        shade(x + edge, y + edge, w - 2 * edge, h - 2 * edge, BOX_COLOUR, SEE_THROUGH);
        if (fonts.label)
            draw_text(window, p.named, Box{x + edge, y + edge, w - 2 * edge, h - 2 * edge},
                      std::min(h / 3, int(11 * unit)), LABEL_COLOUR, {fonts.label});
    }
    for (size_t i = 0; i < gauges.size(); ++i) {
        const PanelPlacement& p = config.gauges[i];
        const panelhost::Gauge* gauge = gauges[i];
        if (!gauge) continue;
        const int x = px(p.x), y = px(p.y), w = std::max(1, px(p.width));
        const panelhost::Bitmap& face = gauge->bitmap(gauge->face()->header.resource_id);
        const int h = std::max(1, p.height ? px(p.height) : height_keeping_aspect(w, face.width, face.height));
        // Drawn at the first whole scale at least as large as its place, then brought down to it.
        const int drawn = std::clamp(int(std::ceil(std::max(double(w) / face.width, double(h) / face.height))), 1, 8);
        // Only the part inside the window is made: a gauge far larger
        // than its window costs the window's pixels, not its own.
        const int left = std::max(0, x), top = std::max(0, y);
        const int right = int(std::min<int64_t>(window.width, int64_t(x) + w));
        const int bottom = int(std::min<int64_t>(window.height, int64_t(y) + h));
        if (left >= right || top >= bottom) continue;
        window.paste(resized_part(render_gauge(*gauge, drawn), w, h, {left - x, top - y, right - left, bottom - top}),
                     left, top);
    }
    return window;
}

Image image_of(const panelhost::Bitmap& bitmap) {
    Image image(bitmap.width, bitmap.height, 0);
    draw_bitmap(image, bitmap, 0, 0, 1);
    return image;
}

std::string encode_png(const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.rgb.data(), 0, nullptr))
        throw BenchError(std::string("cannot encode a picture as PNG: ") + png.message);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgb.data(), 0, nullptr))
        throw BenchError(std::string("cannot encode a picture as PNG: ") + png.message);
    bytes.resize(size);
    return bytes;
}

void write_png(const Image& image, const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
    if (error) throw BenchError("cannot make the folder for " + path + ": " + error.message());
    try {
        write_file_safely(path, encode_png(image));
    } catch (const FileWriteError& e) {
        throw BenchError(e.what());
    }
}

}  // namespace bench
