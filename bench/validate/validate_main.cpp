// The validator as a program of its own: `validate MODULE_FILE [...]`. The
// Windows build of it is what checks a gauge file under Wine.
#include <string>
#include <vector>

#include "bench/validate/validate.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return bench_validate(args);
}
