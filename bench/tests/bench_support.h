// What the bench's test files share: the module under test, and a way to
// run a scenario given as text and see its timeline, errors and result.
#pragma once

#include "tests/main/main.h"

#include <sstream>
#include <string>

#include "bench/common/runner.h"
#include "bench/common/script.h"

namespace benchtest {

extern std::string module_path;
extern std::string sound_path;
extern std::string out_dir;

struct Outcome {
    int result;
    std::string timeline;
    std::string errors;
};

inline bench::RunOptions options() {
    bench::RunOptions o;
    o.module_path = module_path;
    o.sound_path = sound_path;
    o.out_dir = out_dir;
    return o;
}

// Parses and runs `text` as the scenario "test.pbs".
inline Outcome run(const std::string& text, bench::RunOptions o = options()) {
    bench::Script script = bench::parse_script(text, "test.pbs");
    std::ostringstream timeline, errors;
    int result = bench::run_script(script, o, timeline, errors);
    return {result, timeline.str(), errors.str()};
}

// The message a script's parse fails with, or "" when it parses.
inline std::string parse_error(const std::string& text) {
    try {
        bench::parse_script(text, "test.pbs");
    } catch (const bench::BenchError& e) {
        return e.what();
    }
    return "";
}

}  // namespace benchtest
