// The names a scenario may use: token variables, key events, the five gauges
// and, for each face, its controls (in the order of its mouse list), its
// legends (by bitmap id) and its read-outs (by source token).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

struct NamedToken {
    const char* name;
    uint32_t token;
    const char* meaning;
};

struct NamedEvent {
    const char* name;
    uint32_t event;
};

struct Legend {
    const char* name;
    int32_t bitmap_id;
};

struct Readout {
    const char* name;
    uint32_t source_token;  // the string element's first source variable
};

// One face: the gauges that show it, what can be clicked and read on it.
struct Face {
    const char* kind;  // "autopilot", "annunciator", "preselector"
    int32_t face_bitmap;
    // The gauge whose mouse list gives the controls' positions (the
    // virtual-cockpit preselector shows the same face without any areas).
    const char* clickable_gauge;
    std::vector<const char*> controls;  // in mouse-list order
    std::vector<Legend> legends;
    std::vector<Readout> readouts;
};

const std::vector<NamedToken>& tokens();
const std::vector<NamedEvent>& events();
// The gauge names the module offers, in its gauge-table order.
const std::vector<std::string>& gauge_names();

// Token by name or number; nullopt when the module reads no such token.
std::optional<uint32_t> find_token(std::string_view text);
// Key event by name (evt_...) or number; nullopt when the module sends no such event.
std::optional<uint32_t> find_event(std::string_view text);
// "evt_alt_ref_set", or "" for an event the module does not send.
std::string event_name(uint32_t event);
// The face of a gauge name, or null for a name not among the five.
const Face* face_of(std::string_view gauge_name);

// Index of a control / legend / read-out name on a face, case-insensitive; -1 if none.
int find_control(const Face& face, std::string_view name);
int find_legend(const Face& face, std::string_view name);
int find_readout(const Face& face, std::string_view name);

// "a, b, c" for messages.
std::string join(const std::vector<std::string>& names);
std::string token_list();
std::string event_list();
std::string control_list(const Face& face);
std::string legend_list(const Face& face);
std::string readout_list(const Face& face);

}  // namespace bench
