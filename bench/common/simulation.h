// A panel in flight: the module loaded through the project's host, the
// gauges placed on it, the simulated aircraft behind their key events, and
// the panel cycles that move both. What happens is told as timeline lines
// ("  12.50s  click ...", with key events, lamps and read-outs that changed
// and chimes indented beneath), the same for a scenario run and for the
// page the server offers.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/common/aircraft.h"
#include "bench/common/catalogue.h"
#include "host/host.h"

namespace bench {

// Where the module and what it loads come from.
struct ModuleOptions {
    std::string module_path;
    std::string sound_path;     // empty: the stand-in beside the module
    std::string bitmap_folder;  // empty: "bitmaps" beside the native module
};

// A gauge on the panel under the name a scenario knows it by, with what the
// timeline last reported of each child.
struct Placed {
    std::string name;
    panelhost::Gauge* gauge;
    const Instrument* face;
    std::vector<int> lit;  // per child: -1 not seen yet, 0 dark, 1 lit
    std::vector<std::optional<std::string>> texts;
    bool updated = false;  // a panel cycle has run since it was placed
};

// The text a string child holds: up to its NUL, never past the host's buffer.
std::string text_of(const panelhost::Gauge& gauge, size_t child);
// "evt_alt_ref_set (66124) 4000", or the number and a remark for a foreign event.
std::string describe_event(uint32_t event, std::optional<int32_t> value = std::nullopt);

class Simulation {
public:
    // Receives each finished timeline line, without its newline.
    using Print = std::function<void(const std::string& line)>;

    // Loads the module; throws HostError naming what is missing.
    Simulation(const ModuleOptions& options, Print print);
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // A timeline line at the present time; `inner` lines tell what followed from the one above.
    void print(const std::string& text, bool inner = false);

    // Places the module's gauge `gauge_name` as `name`; throws HostError for a gauge the module lacks.
    Placed& place(const std::string& gauge_name, const std::string& name);
    // The placed gauge of that name, or null.
    Placed* find(const std::string& name);
    const std::deque<Placed>& placed() const { return placed_; }
    std::deque<Placed>& placed() { return placed_; }

    // The face point of a named control: the centre of its area in the mouse
    // list of the gauge that takes clicks on that face. Throws BenchError when
    // the module's list lacks it.
    std::pair<int, int> control_point(const Instrument& instrument, int control) const;
    // The control's name at a face point of a placed gauge ("" in no area).
    std::string control_at(const Placed& p, int x, int y) const;
    // A left click at a face point, printed as "click NAME [CONTROL] at X,Y[ suffix]";
    // returns the area's index, or -1 when the point is in no area.
    int click(Placed& p, int x, int y, const std::string& control, const std::string& suffix = "");

    // One panel cycle: the aircraft moves 1/18 s, every gauge updates, then
    // draws; chimes and changed lamps and read-outs are printed.
    void cycle();
    // False: the aircraft holds still, and the tokens stay as set (a picture of them).
    bool flying = true;

    // Key events sent since the last begin_action().
    void begin_action() { window_.clear(); }
    const std::vector<panelhost::KeyEvent>& window() const { return window_; }
    // Prints the sound library's calls since last looked at (loads, chimes).
    void check_sound();

    std::string legend_name(const Placed& p, size_t child) const;
    std::string readout_name(const Placed& p, size_t child) const;

    int64_t cycles() const { return cycles_; }
    int64_t chimes() const { return chimes_; }
    double seconds() const { return double(cycles_) / Aircraft::CYCLES_PER_SECOND; }
    panelhost::Host& host() { return *host_; }
    const panelhost::Host& host() const { return *host_; }
    Aircraft& aircraft() { return *aircraft_; }
    const Aircraft& aircraft() const { return *aircraft_; }

private:
    std::vector<std::string> take_changes(Placed& p);
    void report_changes();

    Print print_;
    std::unique_ptr<panelhost::Host> host_;
    std::unique_ptr<Aircraft> aircraft_;
    std::deque<Placed> placed_;  // references stay valid as gauges are added
    std::vector<panelhost::KeyEvent> window_;
    int64_t cycles_ = 0;
    size_t sound_seen_ = 0;
    int64_t chimes_ = 0;
};

}  // namespace bench
