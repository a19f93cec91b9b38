// Fuzzing of the scenario-script reader: whatever bytes a script holds, the
// reader either gives back commands the runner can carry out or refuses the
// script with its error naming the file and a line, and nothing else
// happens (no sanitizer report, no other exception). Each input is read
// twice: on the bare bench, and with a panel configuration's gauges
// already placed (two copies of one gauge among them).
//
// Commands it gives back keep the promises the runner relies on without
// checking again: lines in order within the file, a face for every command
// that names a gauge, control, legend and read-out indexes inside that face,
// counts and repeats within their ranges, snapshot files inside the output
// folder.
#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/common/panel_config.h"
#include "bench/common/script.h"
#include "hardening/support/module_gauges.h"
#include "hardening/support/reader_fuzz.h"

namespace {

const bench::PanelConfig& panel() {
    static const bench::PanelConfig config = bench::parse_panel_config(
        "[Window00]\nsize_mm=1000,500\n"
        "gauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\n"
        "gauge01=vmq_Tavok22ap!altpreselector, 500, 0, 300\n"
        "gauge02=vmq_Tavok22ap!altpreselector, 500, 200, 300\n"
        "gauge03=other!clock, 0, 200, 100\n",
        "fuzz.cfg");
    return config;
}

bool within(size_t index, int value) { return value >= 0 && size_t(value) < index; }

void check(const bench::Script& s, size_t lines) {
    using bench::Op;
    if (s.commands.empty()) std::abort();
    int previous = 0;
    for (const bench::Command& c : s.commands) {
        if (c.line <= previous || size_t(c.line) > lines) std::abort();
        previous = c.line;
        switch (c.op) {
        case Op::Place:
            if (!c.instrument || c.gauge.empty() || c.gauge == "panel") std::abort();
            break;
        case Op::Click:
            if (!c.instrument || (c.control != -1 && !within(c.instrument->controls.size(), c.control))) std::abort();
            if (c.repeat < 1 || c.repeat > 1000) std::abort();
            break;
        case Op::ExpectLamp:
            if (!c.instrument || !within(c.instrument->legends.size(), c.legend)) std::abort();
            break;
        case Op::ExpectText:
            if (!c.instrument || !within(c.instrument->readouts.size(), c.readout)) std::abort();
            break;
        case Op::Cycles:
        case Op::Fly:
            if (c.count < 0 || c.count > 18LL * 86400) std::abort();
            break;
        case Op::Snapshot:
            if (c.path.empty() || c.path[0] == '/' || c.path.rfind("../", 0) == 0 ||
                c.path.find("/../") != std::string::npos)
                std::abort();
            if (c.gauge != "panel" && !c.instrument) std::abort();
            break;
        case Op::SoundNext:
            if (c.sound_op != 1 && c.sound_op != 7) std::abort();
            break;
        default:
            break;
        }
    }
}

void read(const hardening::FuzzText& in, const bench::PanelConfig* config) {
    try {
        check(bench::parse_script(in.text, "fuzz.pbs", config), in.lines);
    } catch (const bench::BenchError& e) {
        // "fuzz.pbs:LINE: what", or "fuzz.pbs: the script holds no commands".
        std::string_view what = e.what();
        if (what != "fuzz.pbs: the script holds no commands" && !hardening::names_a_line(what, "fuzz.pbs", in.lines))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hardening::read_module_gauges("script_fuzz", FUZZ_DEFAULT_MODULE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const hardening::FuzzText in(data, size);
    read(in, nullptr);
    read(in, &panel());
    return 0;
}
