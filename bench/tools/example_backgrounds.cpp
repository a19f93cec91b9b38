// Draws the background pictures of the example aircraft panel
// (scenarios/example_panel/): plain shapes in code, written as BMP files the
// way panel designers ship them, one at 8 bits per pixel with a palette and
// one at 24.
//   example_backgrounds FOLDER
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/common/bmp.h"

namespace {

using bench::BmpImage;

void put(BmpImage& image, int x, int y, uint32_t rgb) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = &image.rgb[(size_t(y) * size_t(image.width) + size_t(x)) * 3];
    p[0] = uint8_t(rgb >> 16);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb);
}

void box(BmpImage& image, int x, int y, int w, int h, uint32_t rgb) {
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col) put(image, col, row, rgb);
}

void disc(BmpImage& image, int cx, int cy, int r, uint32_t rgb) {
    for (int y = -r; y <= r; ++y)
        for (int x = -r; x <= r; ++x)
            if (x * x + y * y <= r * r) put(image, cx + x, cy + y, rgb);
}

BmpImage blank(int w, int h) {
    BmpImage image;
    image.width = w;
    image.height = h;
    image.rgb.assign(size_t(w) * size_t(h) * 3, 0);
    return image;
}

// The main panel, in few colours (8 bits): a glare shield above a grey
// panel, six round instrument holes, a strip for the radios.
BmpImage main_panel() {
    BmpImage image = blank(256, 128);
    box(image, 0, 0, 256, 128, 0x5A5F66);
    box(image, 0, 0, 256, 14, 0x202224);
    box(image, 0, 14, 256, 2, 0x3A3D41);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) {
            disc(image, 30 + i * 42, 40 + j * 44, 19, 0x3A3D41);
            disc(image, 30 + i * 42, 40 + j * 44, 17, 0x141516);
        }
    box(image, 150, 24, 96, 96, 0x3A3D41);
    box(image, 152, 26, 92, 92, 0x2A2C2F);
    for (int x : {4, 251})
        for (int y : {20, 123}) disc(image, x, y, 2, 0x9AA0A8);
    return image;
}

// The autopilot stack, shaded (24 bits): a brushed panel darker toward its
// foot, seams between the rows of instruments and a screw in each corner.
BmpImage stack_panel() {
    BmpImage image = blank(250, 100);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int shade = 92 - y * 40 / image.height + int(6 * std::sin(x * 0.7 + y * 0.05));
            put(image, x, y, uint32_t(shade) << 16 | uint32_t(shade + 4) << 8 | uint32_t(shade + 10));
        }
    box(image, 0, 45, 250, 1, 0x1E2024);
    box(image, 0, 46, 250, 1, 0x8A9098);
    for (int x : {5, 244})
        for (int y : {5, 94}) {
            disc(image, x, y, 3, 0xB4BAC2);
            box(image, x - 2, y, 5, 1, 0x404448);
        }
    return image;
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "example_backgrounds: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: example_backgrounds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    write(folder + "/main_panel.bmp", bench::encode_bmp(main_panel(), 8));
    write(folder + "/stack_panel.bmp", bench::encode_bmp(stack_panel(), 24));
    return 0;
}
