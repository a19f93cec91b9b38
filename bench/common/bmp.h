// Windows BMP files as panel backgrounds: the file header, a
// BITMAPINFOHEADER (or one of its longer successors), a palette for 8 bits
// per pixel, and uncompressed rows of 8 or 24 bits per pixel, bottom-up or
// top-down. Every header field is checked against the file's length before
// it is used, so a truncated or hostile file is refused, never read past.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// A BMP file the reader refuses: what() is "WHAT: what is wrong".
struct BmpError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest picture the reader takes: a side and the whole area, in pixels.
inline constexpr int BMP_MAX_SIDE = 8192;
inline constexpr int64_t BMP_MAX_PIXELS = int64_t(4096) * 4096;

struct BmpImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, top row first
};

// Reads the bytes of a BMP file; `what` names it in messages. Throws BmpError.
BmpImage parse_bmp(const uint8_t* data, size_t size, const std::string& what);
// Reads a BMP file. Throws BmpError ("PATH: cannot open ...", or what parse_bmp says).
BmpImage read_bmp(const std::string& path);

// The bytes of a BMP file of `image`, bottom-up, at 24 bits per pixel or at
// 8 (a palette of the image's colours, at most 256, else BmpError).
std::string encode_bmp(const BmpImage& image, int bits_per_pixel);

}  // namespace bench
