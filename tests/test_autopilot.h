// What the autopilot test files share: the panel's children and buttons by
// name, tokens for a vertical speed in ft/min, and the key events sent as
// one readable line.
#pragma once

#include <cmath>
#include <string>

#include "module/tokens.h"
#include "tests/support.h"

namespace ap_test {

// Children of the face, in list order.
enum Child : size_t { RDY, HDG, NAV, APR, REV, ALT, GS, GPSS, VS, READOUT, CHILD_COUNT };

inline const char* const CHILD_NAMES[] = {"RDY", "HDG", "NAV", "APR", "REV", "ALT", "GS", "GPSS", "VS"};

// A face point inside each clickable control.
struct Point {
    int x, y;
};
inline constexpr Point HDG_BUTTON{48, 86}, NAV_BUTTON{113, 86}, APR_BUTTON{179, 86}, REV_BUTTON{244, 86},
    ALT_BUTTON{310, 86}, ARM_SPOT{343, 86}, VS_BUTTON{377, 86}, KNOB_DEC{430, 88}, KNOB_INC{472, 88};

inline void click(panelhost::Gauge& gauge, Point p) {
    gauge.click(p.x, p.y);
}

// Token 65 for a vertical speed in ft/min. The token is the speed times
// 1.30048; where that product does not divide back to the very same speed,
// a neighbouring double that does is taken, so that boundary speeds are
// met exactly.
inline double speed_token(double fpm) {
    volatile double token = fpm * MODULE_VS_UNITS_PER_FPM;
    for (int step = 0; step < 4; ++step) {
        for (double toward : {HUGE_VAL, -HUGE_VAL}) {
            volatile double candidate = token;
            for (int i = 0; i < step; ++i) candidate = std::nextafter(candidate, toward);
            volatile double back = candidate / MODULE_VS_UNITS_PER_FPM;
            if (back == fpm) return candidate;
        }
    }
    return token;
}

// The key events logged since the last call, as "event:value" words, and
// a fresh log for the next step.
inline std::string sent(panelhost::Host& host) {
    std::string out;
    for (const panelhost::KeyEvent& e : host.events()) {
        if (!out.empty()) out += ' ';
        out += std::to_string(e.event) + ':' + std::to_string(e.value);
        if (e.from_area) out += "(area)";
    }
    host.clear_logs();
    return out;
}

// The tokens refreshed by lookup_var since the last clear, in order.
inline std::string looked_up(const panelhost::Host& host) {
    std::string out;
    for (const panelhost::Lookup& l : host.lookups()) out += (out.empty() ? "" : " ") + std::to_string(l.token);
    return out;
}

// One panel cycle, then the names of the legends it showed.
inline std::string lit_legends(panelhost::Gauge& gauge) {
    gauge.cycle();
    std::string out;
    for (size_t i = RDY; i <= VS; ++i)
        if (gauge.lit(i)) out += std::string(out.empty() ? "" : " ") + CHILD_NAMES[i];
    return out;
}

}  // namespace ap_test
