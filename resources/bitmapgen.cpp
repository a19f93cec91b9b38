// Draws every bitmap of the module and writes it as an 8-bit BMP file named
// <id>.bmp into the folder given, with bitmaps.rc naming them all for the
// Windows build (language 1033).
//   bitmapgen OUTPUT_FOLDER
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/art.h"
#include "resources/bitmaps.h"

static art::Canvas paint(const BitmapSize& entry, const art::Lettering& l) {
    if (entry.id >= BITMAP_PRESEL_FACE) return art::paint_preselector(entry, l);
    if (entry.id >= BITMAP_ANN_FACE) return art::paint_annunciator(entry, l);
    return art::paint_autopilot(entry, l);
}

static void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bitmapgen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        art::Lettering lettering;
        std::string rc = "LANGUAGE 0x09, 0x01\n";  // English, United States: 1033
        for (const BitmapSize& entry : MODULE_BITMAPS) {
            art::Canvas canvas = paint(entry, lettering);
            if (canvas.width() != entry.width || canvas.height() != entry.height)
                throw std::runtime_error("bitmap " + std::to_string(entry.id) + " drawn at the wrong size");
            const std::string name = std::to_string(entry.id) + ".bmp";
            write_file(folder + "/" + name, canvas.bmp());
            rc += std::to_string(entry.id) + " BITMAP \"" + name + "\"\n";
        }
        write_file(folder + "/bitmaps.rc", std::vector<uint8_t>(rc.begin(), rc.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bitmapgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
