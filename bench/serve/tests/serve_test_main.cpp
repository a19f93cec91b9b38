// The server's test program: takes the module under test from its
// arguments, hands the rest to doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include "bench/serve/tests/serve_support.h"

#include <cstring>
#include <vector>

namespace servetest {
std::string module_path;
std::string sound_path;
}  // namespace servetest

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (!take("--module", servetest::module_path) && !take("--sound", servetest::sound_path))
            rest.push_back(argv[i]);
    }
    if (servetest::module_path.empty()) {
        std::fprintf(stderr, "usage: %s --module PATH [--sound PATH] [doctest options]\n", argv[0]);
        return 2;
    }
    doctest::Context context(int(rest.size()), rest.data());
    return context.run();
}
