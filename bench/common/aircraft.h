// The bench's simulated aircraft: a small model of its own, not the
// simulator's. It stands where the simulator would, behind the host's key
// events and token values.
//
// Key events change the autopilot's values:
//   66036 sets the vertical-speed reference (token 120), 66124 the altitude
//   reference (token 109); 65894 / 65895 step token 120 by +100 / -100 ft/min;
//   66115 followed at once by 66103 engages the vertical mode, 66116
//   followed at once by 66104 releases it; 65798, 65729, 65724, 65728 (the
//   HDG, NAV, APR, REV buttons) toggle tokens 106, 105, 112, 113 between 0
//   and 1. The master (token 103) is left to the script.
//
// Each step moves the aircraft: while the vertical mode is engaged and the
// master is 1, with an altitude reference of 0 it holds the vertical-speed
// reference; with any other altitude reference it flies toward it at the
// reference's magnitude and levels off exactly on it (so an engage with a
// vertical-speed reference of 0, as the ALT button sends, holds altitude).
// Otherwise it keeps its present vertical speed. Vertical speed changes at
// once; the ground (0 ft) stops a descent. Tokens 119 (VS mode) and 108
// (altitude hold) follow the engaged mode: 108 while level on the
// reference, 119 while climbing or descending under the mode, both 0 while
// the master is off or after a release.
//
// The token values are the aircraft's state: a script may set any of them
// between steps, and the model goes on from there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/host.h"

namespace bench {

class Aircraft {
public:
    static constexpr int CYCLES_PER_SECOND = 18;

    explicit Aircraft(panelhost::Host& host) : host_(host) {}

    // Applies one key event the module (or a mouse area) sent.
    void apply(const panelhost::KeyEvent& event);
    // Moves the aircraft by `seconds` of simulated time.
    void step(double seconds);

    bool vertical_engaged() const { return engaged_; }
    // Vertical speed in ft/min, from token 65.
    double vertical_speed_fpm() const;

    // Told of what the aircraft does by itself (engage, level-off), for the timeline.
    std::function<void(const std::string&)> on_note;

private:
    void note(const std::string& text);
    void set_vertical_speed_fpm(double fpm);
    void set_mode_tokens(bool vs_mode, bool alt_hold);

    panelhost::Host& host_;
    bool engaged_ = false;
    bool level_ = false;     // on the altitude reference, holding it
    bool grounded_ = false;  // a descent reached 0 ft
    uint32_t previous_event_ = 0;
};

}  // namespace bench
