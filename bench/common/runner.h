// Runs a scenario against the module through the project's host, with the
// simulated aircraft behind the key events: prints the timeline, writes the
// snapshots, checks the expectations.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "bench/common/script.h"
#include "bench/common/simulation.h"

namespace bench {

struct RunOptions : ModuleOptions {
    std::string out_dir = "out";  // snapshots are written under it
    bool snapshots = true;        // false: snapshot lines are passed over, and said so
    int scale = 2;                // screen pixels to a face pixel in snapshots
    // A panel configuration: its gauges of this module are placed before the
    // script's first line, and `snapshot FILE panel` draws its window as laid
    // out. Parse the script with the same configuration.
    std::optional<PanelConfig> panel;
    // False: the aircraft does not move, so the panel shows the tokens
    // exactly as set (render draws a picture, it flies nothing).
    bool fly = true;
};

enum RunResult {
    RUN_PASSED = 0,
    RUN_EXPECTATION_FAILED = 1,
    RUN_ERROR = 2,  // bad input, a missing module or file, a gauge or control the module lacks
};

// The timeline goes to `out`; what failed, with file and line, to `err`.
int run_script(const Script& script, const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace bench
