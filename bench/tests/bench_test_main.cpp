// The bench's test program: takes the module under test and a scratch folder
// for pictures from its arguments, hands the rest to doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include "bench/tests/bench_support.h"

#include <cstring>
#include <vector>

namespace benchtest {
std::string module_path;
std::string sound_path;
std::string out_dir = "bench-test-out";
}  // namespace benchtest

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (!take("--module", benchtest::module_path) && !take("--sound", benchtest::sound_path) &&
            !take("--out", benchtest::out_dir))
            rest.push_back(argv[i]);
    }
    if (benchtest::module_path.empty()) {
        std::fprintf(stderr, "usage: %s --module PATH [--sound PATH] [--out DIR] [doctest options]\n", argv[0]);
        return 2;
    }
    doctest::Context context(int(rest.size()), rest.data());
    return context.run();
}
