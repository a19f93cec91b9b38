// The module's arithmetic in a host whose x87 unit is not in its default
// state: 24-bit precision as the engine's graphics layer leaves it, rounding
// toward zero, exceptions unmasked. Every read-out, lamp and handler must
// answer exactly as in a default host, and every call must give the host's
// x87 state back as it was. (On x86-64 the module's doubles never touch the
// x87 unit; there the sweep shows that checking the state costs nothing.)
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host/x87.h"
#include "tests/sweep.h"


namespace {
panelhost::HostOptions x87(uint16_t control) {
    panelhost::HostOptions options = test::options();
    options.x87_control = control;
    return options;
}
}  // namespace

TEST_CASE("the module answers alike and gives the x87 state back, whatever the host's control word") {
    std::vector<std::string> faults;
    const std::string clean = test::sweep(x87(panelhost::X87_DEFAULT), &faults);
    CHECK(faults.empty());
    REQUIRE(clean.find(" '-1'") != std::string::npos);  // the sweep reaches the boundaries it is for
    REQUIRE(clean.find(" ' 4.0'") != std::string::npos);

    struct Host {
        uint16_t control;
        const char* what;
    };
    for (Host host : {Host{panelhost::X87_SINGLE, "24-bit precision"},
                      Host{panelhost::X87_SINGLE_CHOP, "24-bit precision, rounding toward zero"},
                      Host{panelhost::X87_SINGLE_UNMASKED, "24-bit precision, exceptions unmasked"}}) {
        const std::string what = host.what;
        CAPTURE(what);
        std::string log = test::sweep(x87(host.control), &faults);
        for (const std::string& fault : faults) FAIL_CHECK(fault);
        if (log != clean) {
            // The first line that differs says where.
            size_t at = 0;
            while (at < log.size() && at < clean.size() && log[at] == clean[at]) ++at;
            size_t line = clean.rfind('\n', at);
            line = line == std::string::npos ? 0 : line + 1;
            FAIL_CHECK("first difference: '" << clean.substr(line, clean.find('\n', at) - line) << "' became '"
                                             << log.substr(line, log.find('\n', at) - line) << "'");
        }
    }
}

TEST_CASE("loading and freeing the gauge file give the host's x87 state back") {
    for (uint16_t control : {panelhost::X87_SINGLE, panelhost::X87_SINGLE_UNMASKED}) {
        const uint16_t own = panelhost::x87_control();
        panelhost::x87_set(control);
#if defined(_WIN32)
        HMODULE module = LoadLibraryA(test::module_path.c_str());
        std::string loaded = panelhost::x87_left_behind(control);
        bool freed = module && FreeLibrary(module);
#else
        void* module = dlopen(test::module_path.c_str(), RTLD_NOW | RTLD_LOCAL);
        std::string loaded = panelhost::x87_left_behind(control);
        bool freed = module && dlclose(module) == 0;
#endif
        std::string unloaded = panelhost::x87_left_behind(control);
        panelhost::x87_set(own);
        REQUIRE(module != nullptr);
        CHECK(freed);
        CHECK(loaded == "");
        CHECK(unloaded == "");
    }
}
