// The test program: takes the module under test from its arguments, hands
// the rest to doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include "tests/support.h"

#include <cstring>
#include <vector>

namespace test {
std::string module_path;
std::string sound_path;
std::string bitmap_folder;
}  // namespace test

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (!take("--module", test::module_path) && !take("--sound", test::sound_path) &&
            !take("--bitmaps", test::bitmap_folder))
            rest.push_back(argv[i]);
    }
    if (test::module_path.empty()) {
        std::fprintf(stderr, "usage: %s --module PATH [--sound PATH] [--bitmaps DIR] [doctest options]\n", argv[0]);
        return 2;
    }
    doctest::Context context(int(rest.size()), rest.data());
    return context.run();
}
