// Fuzzing of the panel-configuration reader: whatever bytes a configuration
// file holds, the reader either gives back a window it can lay out or
// refuses the file with its error naming the file and a line of it, and
// nothing else happens (no sanitizer report, no other exception).
//
// A configuration it gives back keeps the promises the bench and the page
// draw by: a named window section with a size, every place and size within
// range, gauges of this module named by the module's own spelling with a
// bench name of their own, gauges of other files with a file and a name.
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "bench/common/catalogue.h"
#include "bench/common/panel_config.h"
#include "hardening/support/module_gauges.h"

namespace {

bool in_range(int value, int low) { return value >= low && value <= bench::PANEL_MAX_UNITS; }

void check(const bench::PanelConfig& c, size_t lines) {
    if (c.section.empty() || !in_range(c.width, 1) || !in_range(c.height, 1)) std::abort();
    std::set<std::string> names;
    int previous_line = 0;
    for (const bench::PanelPlacement& p : c.gauges) {
        if (!in_range(p.x, 0) || !in_range(p.y, 0) || !in_range(p.width, 1)) std::abort();
        if (p.height != 0 && !in_range(p.height, 1)) std::abort();
        if (p.line <= previous_line || size_t(p.line) > lines) std::abort();
        previous_line = p.line;
        if (p.file.empty() || p.gauge.empty()) std::abort();
        if (p.ours()) {
            if (!bench::instrument_of(p.gauge) || p.name.empty() || !names.insert(p.name).second) std::abort();
        } else if (!p.name.empty()) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hardening::read_module_gauges("panel_config_fuzz", FUZZ_DEFAULT_MODULE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any read past them is reported.
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    try {
        check(bench::parse_panel_config(text, "fuzz.cfg"), lines);
    } catch (const bench::PanelConfigError& e) {
        // "fuzz.cfg:LINE: what", LINE one of the file's lines.
        std::string_view what = e.what();
        if (what.substr(0, 9) != "fuzz.cfg:") std::abort();
        size_t colon = what.find(": ", 9);
        if (colon == std::string_view::npos || colon == 9) std::abort();
        const std::string number(what.substr(9, colon - 9));
        char* end = nullptr;
        unsigned long line = std::strtoul(number.c_str(), &end, 10);
        if (*end || line < 1 || line > lines) std::abort();
    }
    return 0;
}
