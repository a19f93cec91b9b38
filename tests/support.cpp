// The suite's options: the module under test, the stand-in sound library and
// the native module's bitmaps.
#include "tests/support.h"

namespace test {

std::string module_path;
std::string sound_path;
std::string bitmap_folder;

namespace {
const Options options{
    {"--module", "PATH", &module_path, true},
    {"--sound", "PATH", &sound_path},
    {"--bitmaps", "DIR", &bitmap_folder},
};
}  // namespace

}  // namespace test
