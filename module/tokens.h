// Token numbers the module reads, key events it sends, and the stand-alone
// token-variable records it refreshes itself.
#pragma once

#include <cstdint>

#include "module/records.h"

// Token numbers, with the meaning and unit the module gives them.
enum : uint32_t {
    TOKEN_NONE = 0,
    TOKEN_VERTICAL_SPEED = 65,   // aircraft vertical speed, 1/256 m/s
    TOKEN_ALTITUDE = 74,         // aircraft altitude, ft
    TOKEN_BARO = 76,             // altimeter pressure setting, shown unscaled
    TOKEN_AP_MASTER = 103,       // autopilot engaged flag, 1 when engaged
    TOKEN_AP_NAV = 105,          // NAV mode active, 1 = active
    TOKEN_AP_HDG = 106,          // HDG mode active
    TOKEN_AP_ALT = 108,          // altitude hold active
    TOKEN_AP_ALT_REF = 109,      // autopilot altitude reference, ft
    TOKEN_AP_GS = 111,           // glide-slope mode active
    TOKEN_AP_APR = 112,          // approach mode active
    TOKEN_AP_REV = 113,          // back-course mode active
    TOKEN_AP_VS = 119,           // vertical-speed mode active
    TOKEN_AP_VS_REF = 120,       // autopilot vertical-speed reference, ft/min
    TOKEN_AP_FD = 792,           // flight director active
    TOKEN_AP_GPSS = 848,         // GPS steering active
};

// Divisor from 1/256 metre per second to feet per minute: 0.00508 * 256.
constexpr double MODULE_VS_UNITS_PER_FPM = 1.30048;

// Key events, sent with trigger_key_event or carried by a mouse area.
enum : uint32_t {
    evt_vs_ref_set = 66036,
    evt_alt_ref_set = 66124,
    evt_vertical_engage_a = 66115,
    evt_vertical_engage_b = 66103,
    evt_vertical_release_a = 66116,
    evt_vertical_release_b = 66104,
    evt_vs_step_up = 65894,
    evt_vs_step_down = 65895,
    evt_hdg_button = 65798,
    evt_nav_button = 65729,
    evt_apr_button = 65724,
    evt_rev_button = 65728,
};

// What travels with a key event.
enum KEY_EVENT_VALUE : uint32_t {
    KEY_EVENT_VALUE_ZERO,      // always 0
    KEY_EVENT_VALUE_VS_FPM,    // a vertical-speed reference, ft/min
    KEY_EVENT_VALUE_ALT_FT,    // an altitude reference, ft
    KEY_EVENT_VALUE_FROM_AREA, // sent by the host from a mouse area, with the host's value
};

struct KEY_EVENT_ENTRY {
    uint32_t event;
    const char* name;
    KEY_EVENT_VALUE value;
};

// Every key event the module sends or names in a mouse area: the one list
// that catalogues, checks and logs read. The engage and release pairs are
// always sent a, then b.
inline constexpr KEY_EVENT_ENTRY MODULE_KEY_EVENTS[] = {
    {evt_vs_ref_set, "evt_vs_ref_set", KEY_EVENT_VALUE_VS_FPM},
    {evt_alt_ref_set, "evt_alt_ref_set", KEY_EVENT_VALUE_ALT_FT},
    {evt_vertical_engage_a, "evt_vertical_engage_a", KEY_EVENT_VALUE_ZERO},
    {evt_vertical_engage_b, "evt_vertical_engage_b", KEY_EVENT_VALUE_ZERO},
    {evt_vertical_release_a, "evt_vertical_release_a", KEY_EVENT_VALUE_ZERO},
    {evt_vertical_release_b, "evt_vertical_release_b", KEY_EVENT_VALUE_ZERO},
    {evt_vs_step_up, "evt_vs_step_up", KEY_EVENT_VALUE_ZERO},
    {evt_vs_step_down, "evt_vs_step_down", KEY_EVENT_VALUE_ZERO},
    {evt_hdg_button, "evt_hdg_button", KEY_EVENT_VALUE_FROM_AREA},
    {evt_nav_button, "evt_nav_button", KEY_EVENT_VALUE_FROM_AREA},
    {evt_apr_button, "evt_apr_button", KEY_EVENT_VALUE_FROM_AREA},
    {evt_rev_button, "evt_rev_button", KEY_EVENT_VALUE_FROM_AREA},
};

// Stand-alone token-variable records, one copy each in the module. The first
// five belong to the autopilot gauge; the last two to the preselector.
extern MODULE_VAR ap_vs_ref_var;          // token 120
extern MODULE_VAR ap_alt_ref_var;         // token 109
extern MODULE_VAR ap_vertical_speed_var;  // token 65
extern MODULE_VAR ap_altitude_var;        // token 74
extern MODULE_VAR ap_master_var;          // token 103
extern MODULE_VAR presel_altitude_var;    // token 74
extern MODULE_VAR presel_baro_var;        // token 76
