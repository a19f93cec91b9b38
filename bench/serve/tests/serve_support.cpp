// The server suite's options: the module under test and the stand-in sound
// library. The bench knows the module's gauges from its gauge table before
// the first session starts.
#include "bench/serve/tests/serve_support.h"

#include "bench/common/catalogue.h"

namespace servetest {

std::string module_path;
std::string sound_path;

namespace {
const test::Options options{
    {"--module", "PATH", &module_path, true},
    {"--sound", "PATH", &sound_path},
};
#if !defined(__EMSCRIPTEN__)
// The web build's linked-in module loads once per program: there its
// session reads the gauge table as it starts.
const test::AtStart read_gauges{[] { bench::read_gauges(module_path); }};
#endif
}  // namespace

}  // namespace servetest
