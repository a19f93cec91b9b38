// The bench suite's options: the module under test, the stand-in sound
// library and a scratch folder for pictures (in the build folder, also when
// the suite is run by hand from elsewhere). The bench knows the module's
// gauges from its gauge table before the first case.
#include "bench/tests/bench_support.h"

#include "bench/common/catalogue.h"

namespace benchtest {

std::string module_path;
std::string sound_path;
std::string out_dir = BENCH_TEST_OUT;

namespace {
const test::Options options{
    {"--module", "PATH", &module_path, true},
    {"--sound", "PATH", &sound_path},
    {"--out", "DIR", &out_dir},
};
const test::AtStart read_gauges{[] { bench::read_gauges(module_path); }};
}  // namespace

}  // namespace benchtest
