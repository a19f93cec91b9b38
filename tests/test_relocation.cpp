// The gauge file where its preferred load address is already taken, as in a
// simulator process crowded with other libraries: the loader moves it, its
// relocations mend every pointer in its records, and every gauge answers as
// it does at home.
#include "tests/sweep.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

// The preferred address and size of a PE32 file's image, from its headers.
struct ImagePlace {
    uintptr_t base = 0;
    uint32_t size = 0;
};

ImagePlace preferred_place(const std::string& path) {
    ImagePlace place;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return place;
    std::vector<unsigned char> head(4096);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    auto word = [&](size_t at) {
        return at + 4 <= head.size() ? uint32_t(head[at] | head[at + 1] << 8 | head[at + 2] << 16 | head[at + 3] << 24)
                                     : 0u;
    };
    uint32_t pe = word(0x3C);
    if (word(pe) != 0x00004550) return place;  // "PE\0\0"
    size_t optional = pe + 24;                  // after the signature and the file header
    if ((word(optional) & 0xFFFF) != 0x10B) return place;  // PE32
    place.base = word(optional + 28);
    place.size = word(optional + 56);
    return place;
}

}  // namespace

TEST_CASE("the gauge file loaded away from its preferred address works as at home") {
    const ImagePlace home = preferred_place(test::module_path);
    REQUIRE(home.base != 0);
    REQUIRE(home.size != 0);

    const void* loaded_at = nullptr;
    const std::string at_home = test::sweep(test::options(), nullptr, &loaded_at);

    // Take the preferred address, so that the loader has to move the file.
    void* taken = VirtualAlloc(reinterpret_cast<void*>(home.base), home.size, MEM_RESERVE, PAGE_NOACCESS);
    REQUIRE_MESSAGE(taken == reinterpret_cast<void*>(home.base), "could not take the preferred address");
    const std::string moved = test::sweep(test::options(), nullptr, &loaded_at);
    VirtualFree(taken, 0, MEM_RELEASE);

    CHECK(reinterpret_cast<uintptr_t>(loaded_at) != home.base);
    CHECK(moved == at_home);
}
#endif
