#include "bench/common/bmp.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <new>

#include "bench/common/file_read.h"

namespace bench {

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr size_t FILE_HEADER = 14;
constexpr size_t INFO_HEADER = 40;

void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

BmpImage parse_bmp(const uint8_t* data, size_t size, const std::string& what) {
    auto fail = [&](const std::string& why) { return BmpError(what + ": " + why); };
    if (size < 2 || data[0] != 'B' || data[1] != 'M') throw fail("not a BMP file (it does not start with \"BM\")");
    if (size < FILE_HEADER + INFO_HEADER) throw fail("the BMP file is truncated (" + std::to_string(size) + " bytes)");
    const uint32_t pixels_at = le32(data + 10);
    const uint32_t header_size = le32(data + FILE_HEADER);
    // 40: BITMAPINFOHEADER; 52, 56, 108, 124: its successors, whose first 40 bytes are the same.
    if (header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 && header_size != 124)
        throw fail("unsupported BMP header of " + std::to_string(header_size) +
                   " bytes (expected a BITMAPINFOHEADER of 40 bytes or a later one)");
    if (header_size > size - FILE_HEADER) throw fail("the BMP file is truncated inside its header");
    const uint8_t* info = data + FILE_HEADER;
    const int64_t width = int32_t(le32(info + 4));
    // The row count is the height's magnitude, taken in 64 bits: the most
    // negative 32-bit height has none in 32.
    const int64_t height = int32_t(le32(info + 8));
    const bool bottom_up = height > 0;
    const int64_t rows = height < 0 ? -height : height;
    const uint16_t planes = le16(info + 12);
    const uint16_t bits = le16(info + 14);
    const uint32_t compression = le32(info + 16);
    const uint32_t colours_used = le32(info + 32);
    if (width <= 0 || rows <= 0 || width > BMP_MAX_SIDE || rows > BMP_MAX_SIDE || width * rows > BMP_MAX_PIXELS)
        throw fail("the picture's size " + std::to_string(width) + " x " + std::to_string(height) +
                   " is out of range (1 to " + std::to_string(BMP_MAX_SIDE) + " a side, " +
                   std::to_string(BMP_MAX_PIXELS) + " pixels in all)");
    if (planes != 1) throw fail("the BMP header gives " + std::to_string(planes) + " planes (must be 1)");
    if (bits != 8 && bits != 24)
        throw fail(std::to_string(bits) + " bits per pixel: only 8 and 24 are read (save it as 8-bit or 24-bit BMP)");
    if (compression != 0)
        throw fail("compressed BMP (compression " + std::to_string(compression) + "): only uncompressed ones are read");

    std::vector<uint32_t> palette;  // 0x00RRGGBB
    const size_t palette_at = FILE_HEADER + header_size;
    size_t palette_end = palette_at;
    if (bits == 8) {
        if (colours_used > 256) throw fail("a palette of " + std::to_string(colours_used) + " colours (at most 256)");
        const size_t colours = colours_used ? colours_used : 256;
        if (colours * 4 > size - palette_at) throw fail("the BMP file is truncated inside its palette");
        palette_end = palette_at + colours * 4;
        for (size_t i = 0; i < colours; ++i) {
            const uint8_t* q = data + palette_at + i * 4;  // blue, green, red, reserved
            palette.push_back(uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0]);
        }
    }
    if (pixels_at < palette_end || pixels_at > size)
        throw fail("the pixel data's offset " + std::to_string(pixels_at) + " lies " +
                   (pixels_at > size ? "past the end of the file" : "inside the headers"));
    // Rows are padded to whole 4-byte words. Width and rows are at most
    // BMP_MAX_SIDE, so these products cannot overflow.
    const size_t stride = (size_t(width) * bits / 8 + 3) & ~size_t(3);
    if (stride * size_t(rows) > size - pixels_at)
        throw fail("the BMP file is truncated: " + std::to_string(rows) + " rows of " + std::to_string(stride) +
                   " bytes need " + std::to_string(stride * size_t(rows)) + ", " + std::to_string(size - pixels_at) +
                   " are there");

    BmpImage image;
    image.width = int(width);
    image.height = int(rows);
    image.rgb.resize(size_t(width) * size_t(rows) * 3);
    for (int64_t row = 0; row < rows; ++row) {
        const uint8_t* stored = data + pixels_at + stride * size_t(bottom_up ? rows - 1 - row : row);
        uint8_t* out = &image.rgb[size_t(row) * size_t(width) * 3];
        for (int64_t x = 0; x < width; ++x, out += 3) {
            if (bits == 24) {
                const uint8_t* p = stored + x * 3;  // blue, green, red
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            } else {
                const uint8_t index = stored[x];
                if (index >= palette.size())
                    throw fail("pixel " + std::to_string(x) + "," + std::to_string(row) + " uses colour " +
                               std::to_string(index) + ", beyond its palette of " + std::to_string(palette.size()));
                out[0] = uint8_t(palette[index] >> 16);
                out[1] = uint8_t(palette[index] >> 8);
                out[2] = uint8_t(palette[index]);
            }
        }
    }
    return image;
}

BmpImage read_bmp(const std::string& path) {
    std::string bytes;
    try {
        bytes = read_file_bounded(path, PICTURE_FILE_CAP, "the picture");
    } catch (const FileReadError& e) {
        throw BmpError(e.what());
    }
    try {
        return parse_bmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path);
    } catch (const std::bad_alloc&) {
        throw BmpError(path + ": out of memory reading the picture's pixels");
    }
}

std::string encode_bmp(const BmpImage& image, int bits) {
    if (bits != 8 && bits != 24) throw BmpError("encode_bmp: " + std::to_string(bits) + " bits per pixel");
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != size_t(image.width) * size_t(image.height) * 3)
        throw BmpError("encode_bmp: the image's size does not match its pixels");
    std::vector<uint32_t> palette;
    std::map<uint32_t, uint8_t> index;
    auto colour = [&](size_t at) {
        return uint32_t(image.rgb[at]) << 16 | uint32_t(image.rgb[at + 1]) << 8 | image.rgb[at + 2];
    };
    if (bits == 8) {
        for (size_t at = 0; at < image.rgb.size(); at += 3) {
            const uint32_t c = colour(at);
            if (index.count(c)) continue;
            if (palette.size() == 256) throw BmpError("encode_bmp: more than 256 colours for an 8-bit BMP");
            index[c] = uint8_t(palette.size());
            palette.push_back(c);
        }
    }
    const size_t stride = (size_t(image.width) * size_t(bits) / 8 + 3) & ~size_t(3);
    const size_t pixels_at = FILE_HEADER + INFO_HEADER + palette.size() * 4;
    const size_t total = pixels_at + stride * size_t(image.height);
    std::string out;
    out.reserve(total);
    out += "BM";
    put32(out, uint32_t(total));
    put32(out, 0);
    put32(out, uint32_t(pixels_at));
    put32(out, INFO_HEADER);
    put32(out, uint32_t(image.width));
    put32(out, uint32_t(image.height));
    put16(out, 1);
    put16(out, uint32_t(bits));
    put32(out, 0);                                    // no compression
    put32(out, uint32_t(stride * size_t(image.height)));
    put32(out, 2835);                                 // 72 dots an inch
    put32(out, 2835);
    put32(out, uint32_t(palette.size()));
    put32(out, 0);
    for (uint32_t c : palette) {
        out += char(c & 0xFF);
        out += char(c >> 8 & 0xFF);
        out += char(c >> 16 & 0xFF);
        out += '\0';
    }
    for (int row = image.height - 1; row >= 0; --row) {
        const size_t start = out.size();
        for (int x = 0; x < image.width; ++x) {
            const size_t at = (size_t(row) * size_t(image.width) + size_t(x)) * 3;
            if (bits == 8) {
                out += char(index[colour(at)]);
            } else {
                out += char(image.rgb[at + 2]);
                out += char(image.rgb[at + 1]);
                out += char(image.rgb[at]);
            }
        }
        out.append(stride - (out.size() - start), '\0');
    }
    return out;
}

}  // namespace bench
