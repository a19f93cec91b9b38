// One person's session on the page: the panel laid out from a panel
// configuration, the module and the simulated aircraft running through the
// bench's simulation, the timeline kept for the page, and every action
// recorded with its panel cycle, so that the session can be written out as
// a scenario that `panelbench run` replays.
//
// A Session is not shared between threads: the simulation thread owns it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/panel_config.h"
#include "bench/common/simulation.h"

namespace serve {

// A request the session refuses, with the HTTP status that says why.
struct RequestError : std::runtime_error {
    RequestError(int status, const std::string& what) : std::runtime_error(what), status(status) {}
    int status;
};

struct ServeOptions {
    bench::ModuleOptions module;
    // No source: all five gauges side by side, laid out when the session has
    // loaded the module and knows its gauges.
    bench::PanelConfig panel;
    bool start_paused = false;
    bool allow_reset = true;     // a new session reloads the module
    size_t max_actions = 20000;  // what one recorded session may hold
};

// The speeds the page offers, in simulated seconds per second.
inline bool valid_speed(int speed) { return speed == 1 || speed == 4 || speed == 16; }

class Session {
public:
    // Loads the module and places this module's gauges of the panel. Throws
    // HostError for a module that cannot be loaded.
    explicit Session(const ServeOptions& options);

    // The layout and what each gauge shows where, as JSON.
    std::string panel_json() const;
    // The PNG of a bitmap the placed gauges show; RequestError 404 for another id.
    const std::string& bitmap_png(int32_t id) const;
    // Time, lamps, read-outs, tokens, chimes and the timeline lines from `since` on, as JSON.
    std::string state_json(int64_t since) const;
    // A scenario script that replays the session and checks where it stands.
    std::string script() const;

    // A left click at a face point of a placed gauge.
    void click(const std::string& gauge, int x, int y);
    // Sets a token the module reads, by name or number.
    void set(const std::string& token, double value);
    // One panel cycle.
    void cycle();

    bool paused = false;
    int speed = 1;

private:
    struct Recorded {
        int64_t cycle;
        std::string line;
    };
    void record(std::string line);
    void keep(const std::string& line);

    ServeOptions options_;
    std::unique_ptr<bench::Simulation> sim_;
    std::vector<const bench::PanelPlacement*> placements_;  // per placed gauge
    std::map<int32_t, std::string> pngs_;
    std::vector<Recorded> recorded_;
    std::deque<std::string> timeline_;
    int64_t timeline_start_ = 0;  // number of the oldest line kept
};

}  // namespace serve
