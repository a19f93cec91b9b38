// Fuzzing of the panel-configuration reader: whatever bytes a configuration
// file holds, the reader either gives back a window it can lay out or
// refuses the file with its error naming the file and a line of it, and
// nothing else happens (no sanitizer report, no other exception).
//
// A configuration it gives back keeps the promises the bench and the page
// draw by: a named window section with a size, every place and size within
// range (places may be negative; another file's gauge may have no size),
// gauges of this module named by the module's own spelling with a bench
// name and a width of their own, every note naming a line of the file.
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "bench/common/catalogue.h"
#include "bench/common/panel_config.h"
#include "hardening/support/module_gauges.h"
#include "hardening/support/reader_fuzz.h"

namespace {

bool in_range(int value, int low) { return value >= low && value <= bench::PANEL_MAX_UNITS; }

void check(const bench::PanelConfig& c, size_t lines) {
    if (c.section.empty() || !in_range(c.width, 1) || !in_range(c.height, 1)) std::abort();
    std::set<std::string> names;
    int previous_line = 0;
    for (const bench::PanelPlacement& p : c.gauges) {
        if (!in_range(p.x, -bench::PANEL_MAX_UNITS) || !in_range(p.y, -bench::PANEL_MAX_UNITS)) std::abort();
        if (!in_range(p.width, p.ours() ? 1 : 0) || (p.height != 0 && !in_range(p.height, 1))) std::abort();
        if (p.line <= previous_line || size_t(p.line) > lines) std::abort();
        previous_line = p.line;
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
    const hardening::FuzzText in(data, size);
    try {
        const bench::PanelConfig config = bench::parse_panel_config(in.text, "fuzz.cfg");
        check(config, in.lines);
        for (const std::string& note : config.notes)
            if (!hardening::names_a_line(note, "fuzz.cfg", in.lines)) std::abort();
    } catch (const bench::PanelConfigError& e) {
        if (!hardening::names_a_line(e.what(), "fuzz.cfg", in.lines)) std::abort();
    }
    return 0;
}
