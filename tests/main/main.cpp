// The one main of every doctest suite: the options its files declared, the
// start routines they asked for, then doctest with what is left.
#define DOCTEST_CONFIG_IMPLEMENT
#include "tests/main/main.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace test {

namespace {

std::vector<Option>& declared() {
    static std::vector<Option> options;
    return options;
}

std::vector<void (*)()>& at_start() {
    static std::vector<void (*)()> routines;
    return routines;
}

void usage(const char* program) {
    std::string line = std::string("usage: ") + program;
    for (const Option& o : declared()) {
        std::string option = std::string(o.flag) + " " + o.what;
        line += " " + (o.required ? option : "[" + option + "]");
    }
    std::fprintf(stderr, "%s [doctest options]\n", line.c_str());
}

}  // namespace

Options::Options(std::initializer_list<Option> options) {
    declared().insert(declared().end(), options.begin(), options.end());
}

AtStart::AtStart(void (*run)()) { at_start().push_back(run); }

}  // namespace test

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        bool taken = false;
        for (const test::Option& o : test::declared()) {
            if (std::strcmp(argv[i], o.flag) != 0 || i + 1 >= argc) continue;
            *o.value = argv[++i];
            taken = true;
            break;
        }
        if (!taken) rest.push_back(argv[i]);
    }
    for (const test::Option& o : test::declared()) {
        if (o.required && o.value->empty()) {
            test::usage(argv[0]);
            return 2;
        }
    }
    for (void (*run)() : test::at_start()) {
        try {
            run();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: before the first case: %s\n", argv[0], e.what());
            return 2;
        }
    }
    doctest::Context context(int(rest.size()), rest.data());
    return context.run();
}
