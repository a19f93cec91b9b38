// The autopilot panel's own memory: the master state as of the last HDG
// legend update, which of the three vertical modes the pilot engaged from
// the panel, and two working values. One set for the whole module, shared
// by every autopilot gauge a panel places; all start at zero.
#pragma once

#include <cstdint>

// Token 103 truncated toward zero, refreshed by the HDG legend on every
// update; the autopilot counts as engaged when it equals 1.
extern int32_t ap_master_state;

// The vertical-mode flags, each 0.0 or 1.0; at most one is 1.0.
extern double ap_vs_mode;       // VS: climb or descend at the selected speed
extern double ap_alt_mode;      // ALT: hold the present altitude
extern double ap_alt_arm_mode;  // ARM: fly the speed reference to the altitude reference

// Working values, written before they are read within one call.
extern double ap_vs_work;      // vertical speed, ft/min, shown and sent
extern double ap_vs_ref_work;  // vertical-speed reference while the knob steps it

// True while the master state reads engaged.
inline bool ap_master_engaged() {
    return ap_master_state == 1;
}

// Engages one vertical mode: sends both references, then the engage pair,
// and leaves `mode` the only flag set. Switching from another engaged mode
// goes straight through here, with no release pair first.
void ap_mode_engage(double* mode, int32_t vs_ref, int32_t alt_ref);

// Releases one vertical mode: clears its flag and sends the release pair.
void ap_mode_release(double* mode);
