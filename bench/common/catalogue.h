// The names a scenario may use: token variables, key events, the module's
// gauges and, for each kind of instrument, its controls (in the order of its
// mouse list), its legends (by bitmap id) and its read-outs (by source token).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelhost {
class Host;
}

namespace bench {

// Whether two names are the same without regard to case, as scenario names
// and a panel configuration's names and keys are read.
bool same_name(std::string_view a, std::string_view b);

struct NamedToken {
    const char* name;
    uint32_t token;
    const char* meaning;
    // What a person reads and writes it in, and how many of the module's
    // units make one of those: a token named by its name takes and shows
    // values in that unit, a token named by its number in the module's own.
    const char* unit = "";
    double per_unit = 1.0;
};

// A token as a person named it: by name (values in its person's unit) or by
// number (values in the module's unit, per_unit 1).
struct TokenRef {
    uint32_t token = 0;
    std::string name;     // the catalogue's name, also when named by number
    std::string unit;     // "" when named by number, or for a token without one
    double per_unit = 1.0;
    bool by_number = false;
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

// One kind of instrument, known by its face bitmap: what can be clicked and
// read on it. Every gauge whose face is that bitmap is of this kind.
struct Instrument {
    const char* kind;  // "autopilot", "annunciator", "preselector"
    int32_t face_bitmap;
    std::vector<const char*> controls;  // in mouse-list order
    std::vector<Legend> legends;
    std::vector<Readout> readouts;
};

const std::vector<NamedToken>& tokens();
const std::vector<NamedEvent>& events();

// The module's gauges, as the host walks its gauge table: each name, in the
// table's order, with the kind its face shows. Read once, at the start of a
// program, before any script or panel configuration names a gauge (until
// then the bench knows no gauge); not while other threads use the names.
void read_gauges(const panelhost::Host& host);
// The same from the module at `module_path`, loaded for the purpose without
// a sound library. Throws HostError when it cannot be loaded.
void read_gauges(const std::string& module_path);
// The gauge names the module offers, in its gauge-table order.
const std::vector<std::string>& gauge_names();

// Token by name or number; nullopt when the module reads no such token.
std::optional<uint32_t> find_token(std::string_view text);
// The same, with the unit its values are written in.
std::optional<TokenRef> find_token_ref(std::string_view text);
// The catalogue's entry of a token number; null for a token the module does not read.
const NamedToken* named_token(uint32_t token);
// Key event by name (evt_...) or number; nullopt when the module sends no such event.
std::optional<uint32_t> find_event(std::string_view text);
// "evt_alt_ref_set", or "" for an event the module does not send.
std::string event_name(uint32_t event);
// The kind of a gauge name, or null for a name the module does not offer.
const Instrument* instrument_of(std::string_view gauge_name);
// The first gauge of a kind whose mouse list has its controls: their
// positions are taken from it (the virtual-cockpit preselector shows the
// same face without any areas). "" when none has.
const std::string& clickable_gauge(const Instrument& instrument);

// Index of a control / legend / read-out name of an instrument, case-insensitive; -1 if none.
int find_control(const Instrument& instrument, std::string_view name);
int find_legend(const Instrument& instrument, std::string_view name);
int find_readout(const Instrument& instrument, std::string_view name);

// "a, b, c" for messages.
std::string join(const std::vector<std::string>& names);
std::string token_list();
std::string event_list();
std::string control_list(const Instrument& instrument);
std::string legend_list(const Instrument& instrument);
std::string readout_list(const Instrument& instrument);

}  // namespace bench
