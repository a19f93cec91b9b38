// What the preselector tests share: the face's children by name, a point
// inside each control, and readings of what a rendition shows.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "module/tokens.h"
#include "tests/support.h"

namespace presel {

// Children of the face, in list order.
enum Child : size_t { ENT, ALT, BARO, SEL, ALR, DH, VS, VS_READOUT, ALT_READOUT };
inline const char* const LAMP_NAMES[] = {"ENT", "ALT", "BARO", "SEL", "ALR", "DH", "VS"};

// A face point inside each control.
struct Control {
    int x, y;
};
constexpr Control DTA_BUTTON{15, 33}, BAR_BUTTON{15, 57}, ALT_BUTTON{35, 82}, ALR_BUTTON{66, 82},
    DH_BUTTON{98, 82}, VS_BUTTON{132, 82}, MAN_BUTTON{167, 82}, KNOB_DEC{180, 44}, KNOB_INC{206, 44},
    KNOB_PULL{194, 44};

inline void press(panelhost::Gauge& gauge, Control control, int times = 1) {
    for (int i = 0; i < times; ++i) REQUIRE(gauge.click(control.x, control.y) >= 0);
}

// One panel cycle, then the lit lamps and the altitude read-out, e.g.
// "ENT BARO | 29.9".
inline std::string shows(panelhost::Gauge& gauge) {
    gauge.cycle();
    std::string out;
    for (size_t lamp = ENT; lamp <= VS; ++lamp)
        if (gauge.lit(lamp)) out += std::string(out.empty() ? "" : " ") + LAMP_NAMES[lamp];
    return out + " | " + gauge.text(ALT_READOUT);
}

// Distinct values for every source the altitude read-out can show.
inline void set_sources(panelhost::Host& host) {
    host.set_token(TOKEN_BARO, 29.92);
    host.set_token(TOKEN_ALTITUDE, 4500);
    host.set_token(TOKEN_AP_ALT_REF, 7000);
}

// Chimes played since the last call (plays of the stand-in sound library).
struct ChimeCounter {
    panelhost::Host& host;
    int seen = 0;
    int operator()() {
        int plays = host.sound().plays();
        int fresh = plays - seen;
        seen = plays;
        return fresh;
    }
};

}  // namespace presel

namespace presel {

// Runs the altitude read-out's callback alone, as a host updating only that
// element would: the alerts are evaluated and no service is called.
inline void evaluate(panelhost::Gauge& gauge) {
    auto* readout = reinterpret_cast<ELEMENT_STRING*>(gauge.children()[ALT_READOUT]);
    char buffer[MODULE_TEXT_BUFFER_SIZE] = {};
    readout->text = buffer;
    readout->callback(readout);
    readout->text = nullptr;
}

}  // namespace presel
