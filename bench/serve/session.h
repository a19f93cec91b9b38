// One person's session on the page: the panel laid out from a panel
// configuration, the module and the simulated aircraft running through the
// bench's simulation, the timeline kept for the page, and every action
// recorded with its panel cycle, so that the session can be written out as
// a scenario that `panelbench run` replays.
//
// A Session is not shared between threads: the simulation thread owns it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/panel_config.h"
#include "bench/common/simulation.h"
#include "bench/serve/document.h"

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
    // A panel configuration being edited: when set, the panel is its
    // window, laid out from its current bytes, and `panel` is not read.
    std::optional<PanelDocument> document;
    bool start_paused = false;
    bool allow_reset = true;     // a new session reloads the module
    size_t max_actions = 20000;  // what one recorded session may hold
    // How long a request waits for the simulation thread to begin its work
    // before it is answered 503 (and the work is not done).
    std::chrono::milliseconds answer_within{10000};
};

// The range a person may set a token to from the page: what a light
// aircraft flies, and what the instruments hold, in the unit the token is
// named in (ft, ft/min, inHg).
struct SettingRange {
    const char* token;
    double low, high;
    const char* unit;
};
const std::vector<SettingRange>& setting_ranges();

// The speeds the page offers, in simulated seconds per second.
inline bool valid_speed(int speed) { return speed == 1 || speed == 4 || speed == 16; }

class Session {
public:
    // Loads the module and places this module's gauges of the panel. Throws
    // HostError for a module that cannot be loaded.
    explicit Session(const ServeOptions& options);

    // The layout and what each gauge shows where, as JSON; with a document,
    // also its windows, the background the window names, each gauge's line,
    // and the gauge lines changed since the file was opened.
    std::string panel_json() const;
    // The document being edited, or null.
    const PanelDocument* document() const { return options_.document ? &*options_.document : nullptr; }
    // The window's background, when the server read it from the document's
    // folder; RequestError 404 otherwise. Its PNG is made by the caller
    // (WindowPicture::png()), off the simulation thread.
    std::shared_ptr<const WindowPicture> background() const;

    // Editing the document (RequestError 409 without one; 400 for a line
    // that is not one of this module's gauges in the window, or a place out
    // of range). A move changes the layout at once; the gauges keep running.
    void move(int line, int x, int y, int width, int height);
    // The document with a gauge of this module added (in the middle of the
    // window at its face's size), with one taken out, or laid out in another
    // window: the session itself is unchanged until the holder lays the
    // panel out anew from it (SessionHolder::relayout).
    PanelDocument with_added(const std::string& gauge) const;
    PanelDocument with_removed(int line) const;
    PanelDocument in_window(int window) const;

    // The PNG of a bitmap the placed gauges show; RequestError 404 for another id.
    const std::string& bitmap_png(int32_t id) const;
    // Time, lamps, read-outs, tokens, chimes and the timeline lines from `since` on, as JSON.
    std::string state_json(int64_t since) const;
    // A scenario script that replays the session and checks where it stands.
    std::string script() const;

    // A left click at a face point of a placed gauge. While the panel runs,
    // the next panel cycle runs at once, so that what the click changed is
    // drawn in the answer; the timer then passes over one cycle.
    void click(const std::string& gauge, int x, int y);
    // Sets a token the module reads: by name in the unit the catalogue gives
    // it (ft, ft/min, inHg), by number in the module's own. Values outside
    // setting_ranges() are refused.
    void set(const std::string& token, double value);
    // The timer's panel cycle. The session's clock starts at its first
    // action: until then only the first cycle runs, which draws the panel.
    void cycle();
    // A cycle a person asked for (one step while paused); an action.
    void step();

    bool paused = false;
    int speed = 1;

private:
    struct Recorded {
        int64_t cycle;
        std::string line;
    };
    void record(std::string line);
    void keep(const std::string& line);
    void run_cycle();
    // The document being edited; RequestError 409 without one.
    const PanelDocument& open_document() const;

    ServeOptions options_;
    std::unique_ptr<bench::Simulation> sim_;
    std::vector<const bench::PanelPlacement*> placements_;  // per placed gauge
    std::map<int32_t, std::string> pngs_;
    std::vector<Recorded> recorded_;
    std::deque<std::string> timeline_;
    int64_t timeline_start_ = 0;  // number of the oldest line kept
    bool started_ = false;        // a person has acted: the clock runs
    int64_t early_ = 0;           // cycles run ahead of the timer (after clicks)
};

}  // namespace serve
