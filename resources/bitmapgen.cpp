// Writes every bitmap of the module as an 8-bit BMP file named <id>.bmp into
// the folder given, and bitmaps.rc naming them for the Windows build.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "resources/bitmaps.h"

static void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
static void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

static bool write_bmp(const std::string& path, const BitmapSpec& spec) {
    const int stride = (spec.width + 3) & ~3;
    const uint32_t palette_size = 256 * 4, header = 14 + 40 + palette_size;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, header + uint32_t(stride * spec.height));
    put32(out, 0);
    put32(out, header);
    put32(out, 40);
    put32(out, uint32_t(spec.width));
    put32(out, uint32_t(spec.height));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, uint32_t(stride * spec.height));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        uint32_t rgb = i == 0 ? 0xCFB466 : 0x080808;
        out.push_back(uint8_t(rgb));
        out.push_back(uint8_t(rgb >> 8));
        out.push_back(uint8_t(rgb >> 16));
        out.push_back(0);
    }
    out.resize(out.size() + size_t(stride) * spec.height, 0);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return bool(file);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bitmapgen OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    std::ofstream rc(folder + "/bitmaps.rc");
    rc << "LANGUAGE 0x09, 0x01\n";  // English, United States: 1033
    for (const BitmapSpec& spec : MODULE_BITMAPS) {
        std::string name = std::to_string(spec.id) + ".bmp";
        if (!write_bmp(folder + "/" + name, spec)) {
            std::fprintf(stderr, "bitmapgen: cannot write %s/%s\n", folder.c_str(), name.c_str());
            return 1;
        }
        rc << spec.id << " BITMAP \"" << name << "\"\n";
    }
    return rc ? 0 : 1;
}
