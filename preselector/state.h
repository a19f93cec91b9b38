// The preselector's state: one module-wide set of variables shared by every
// instance of its three renditions, so a button pressed on one of them shows
// on all. Nothing resets it while the module is loaded.
#pragma once

#include <cstdint>

struct PRESEL_STATE {
    // Modes and lamps; every flag holds 0 or 1.
    uint32_t presel_entry_mode;    // data-entry mode (ENT lamp)
    uint32_t presel_baro_display;  // baro read-out selected (BARO lamp)
    uint32_t presel_alt_lit;       // ALT lamp while the aircraft altitude is not shown
    uint32_t presel_sel_lit;       // SEL lamp
    uint32_t presel_show_actual;   // read-out shows the aircraft altitude; lights ALT
    uint32_t presel_alt_entry;     // the knob steps the altitude reference
    uint32_t presel_vs_knob;       // the knob sends the vertical-speed steps
    uint32_t presel_vs_lit;        // VS lamp
    uint32_t presel_dh_entry;      // the knob edits the decision height, which is shown
    uint32_t presel_tenths;        // altitude steps of 100 ft instead of 1000 ft

    // The decision-height alert: armed (DH lamp), its two one-shots, the
    // decision height in feet.
    uint32_t presel_dh_armed;
    uint32_t presel_dh_approach_done;
    uint32_t presel_dh_below_done;
    double presel_dh_value;

    // The altitude alerter: armed (ALR lamp) and its four one-shots, in the
    // order of its four tests; they are always cleared together.
    uint32_t presel_alert_armed;
    uint32_t presel_alert_done[4];

    // Chimes wanted by the two alerts, taken by the next update service.
    uint32_t presel_alt_chime_request;
    uint32_t presel_dh_chime_request;

    // The chime: result of the last load (played only while non-zero), the
    // handle the sound library gave, the file handed to it.
    int32_t presel_sound_loaded;
    uint32_t presel_sound_handle;
    const char* presel_sound_file;
};

extern PRESEL_STATE presel_state;
