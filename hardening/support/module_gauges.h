// The bench's catalogue for a fuzz target: the module's gauges read from its
// gauge table, once, before the first input.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/common/catalogue.h"

namespace hardening {

// Reads the gauges of the module at `path` and keeps the module mapped for the rest of the run:
// libFuzzer keeps reading the coverage counters of every library it saw
// loaded, so a module once loaded must never be unmapped, and a host loaded
// later meets the same mapping. Ends the run when the module cannot be read.
inline std::string read_module_gauges(const char* target, const std::string& path) {
    if (!dlopen(path.c_str(), RTLD_NOW)) {
        std::fprintf(stderr, "%s: cannot load %s: %s\n", target, path.c_str(), dlerror());
        std::exit(2);
    }
    try {
        bench::read_gauges(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", target, e.what());
        std::exit(2);
    }
    return path;
}

}  // namespace hardening
