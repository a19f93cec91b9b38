#include "bench/common/catalogue.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "host/host.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"

namespace bench {

const std::vector<NamedToken>& tokens() {
    static const std::vector<NamedToken> list = {
        {"vertical_speed", TOKEN_VERTICAL_SPEED,
         "aircraft vertical speed, ft/min (named by number, 65, in the module's 1/256 m/s: ft/min x 1.30048)",
         "ft/min", MODULE_VS_UNITS_PER_FPM},
        {"altitude", TOKEN_ALTITUDE, "aircraft altitude, ft", "ft"},
        {"baro", TOKEN_BARO, "altimeter pressure setting, inHg", "inHg"},
        {"ap_master", TOKEN_AP_MASTER, "autopilot engaged, 1 = engaged"},
        {"ap_nav", TOKEN_AP_NAV, "NAV mode active"},
        {"ap_hdg", TOKEN_AP_HDG, "HDG mode active"},
        {"ap_alt", TOKEN_AP_ALT, "altitude hold active"},
        {"ap_alt_ref", TOKEN_AP_ALT_REF, "altitude reference, ft", "ft"},
        {"ap_gs", TOKEN_AP_GS, "glide-slope mode active"},
        {"ap_apr", TOKEN_AP_APR, "approach mode active"},
        {"ap_rev", TOKEN_AP_REV, "back-course mode active"},
        {"ap_vs", TOKEN_AP_VS, "vertical-speed mode active"},
        {"ap_vs_ref", TOKEN_AP_VS_REF, "vertical-speed reference, ft/min", "ft/min"},
        {"ap_fd", TOKEN_AP_FD, "flight director active"},
        {"ap_gpss", TOKEN_AP_GPSS, "GPS steering active"},
    };
    return list;
}

const std::vector<NamedEvent>& events() {
    static const std::vector<NamedEvent> list = [] {
        std::vector<NamedEvent> from_module;
        for (const KEY_EVENT_ENTRY& e : MODULE_KEY_EVENTS) from_module.push_back({e.name, e.event});
        return from_module;
    }();
    return list;
}

static const Instrument AUTOPILOT = {
    .kind = "autopilot",
    .face_bitmap = BITMAP_AP_FACE,
    .controls = {"HDG", "NAV", "APR", "REV", "ALT", "ARM", "VS", "knob-dec", "knob-inc"},
    .legends = {{"RDY", BITMAP_AP_RDY},
                {"HDG", BITMAP_AP_HDG},
                {"NAV", BITMAP_AP_NAV},
                {"APR", BITMAP_AP_APR},
                {"REV", BITMAP_AP_REV},
                {"ALT", BITMAP_AP_ALT},
                {"GS", BITMAP_AP_GS},
                {"GPSS", BITMAP_AP_GPSS},
                {"VS", BITMAP_AP_VS}},
    .readouts = {{"vs", TOKEN_VERTICAL_SPEED}},
};

static const Instrument ANNUNCIATOR = {
    .kind = "annunciator",
    .face_bitmap = BITMAP_ANN_FACE,
    .controls = {},
    .legends = {{"HDG", BITMAP_ANN_HDG},
                {"NAV", BITMAP_ANN_NAV},
                {"APR", BITMAP_ANN_APR},
                {"REV", BITMAP_ANN_REV},
                {"ALT", BITMAP_ANN_ALT},
                {"GS", BITMAP_ANN_GS},
                {"VS", BITMAP_ANN_VS},
                {"RDY", BITMAP_ANN_RDY},
                {"FD", BITMAP_ANN_FD},
                {"CWS", BITMAP_ANN_CWS},
                {"GPSS", BITMAP_ANN_GPSS},
                {"SEL", BITMAP_ANN_SEL}},
    .readouts = {},
};

static const Instrument PRESELECTOR = {
    .kind = "preselector",
    .face_bitmap = BITMAP_PRESEL_FACE,
    .controls = {"DTA", "BAR", "ALT", "DH", "VS", "MAN", "ALR", "knob-dec", "knob-inc", "knob-pull"},
    .legends = {{"ENT", BITMAP_PRESEL_ENT}, {"ALT", BITMAP_PRESEL_ALT}, {"BARO", BITMAP_PRESEL_BARO}, {"SEL", BITMAP_PRESEL_SEL}, {"ALR", BITMAP_PRESEL_ALR}, {"DH", BITMAP_PRESEL_DH}, {"VS", BITMAP_PRESEL_VS}},
    .readouts = {{"vs", TOKEN_AP_VS_REF}, {"altitude", TOKEN_AP_ALT_REF}},
};

const Instrument* const INSTRUMENTS[] = {&AUTOPILOT, &ANNUNCIATOR, &PRESELECTOR};

namespace {

struct ModuleGauges {
    std::vector<std::string> names;
    std::vector<const Instrument*> kinds;  // beside names
    std::vector<std::string> clickable{std::size(INSTRUMENTS)};  // beside INSTRUMENTS
};

ModuleGauges& module_gauges() {
    static ModuleGauges gauges;
    return gauges;
}

size_t child_areas(const GAUGEHDR& header) {
    size_t count = 0;
    for (const MOUSERECT* area = header.mouse_rect; area && area->kind != MOUSE_KIND_END; ++area)
        count += area->kind == MOUSE_KIND_CHILD;
    return count;
}

}  // namespace

void read_gauges(const panelhost::Host& host) {
    ModuleGauges known;
    for (const GAUGEHDR* header : host.gauge_table()) {
        if (!header->name) continue;
        const ELEMENT_HEADER* root = header->element_list ? header->element_list[0] : nullptr;
        const Instrument* kind = nullptr;
        for (size_t i = 0; i < std::size(INSTRUMENTS); ++i) {
            if (!root || root->resource_id != INSTRUMENTS[i]->face_bitmap) continue;
            kind = INSTRUMENTS[i];
            if (known.clickable[i].empty() && !kind->controls.empty() && child_areas(*header) >= kind->controls.size())
                known.clickable[i] = header->name;
        }
        known.names.push_back(header->name);
        known.kinds.push_back(kind);
    }
    module_gauges() = std::move(known);
}

void read_gauges(const std::string& module_path) {
    panelhost::HostOptions options;
    options.sound = false;
    options.log_lookups = false;
    panelhost::Host host(module_path, options);
    read_gauges(host);
}

const std::vector<std::string>& gauge_names() { return module_gauges().names; }

const Instrument* instrument_of(std::string_view gauge_name) {
    const ModuleGauges& known = module_gauges();
    for (size_t i = 0; i < known.names.size(); ++i)
        if (known.names[i] == gauge_name) return known.kinds[i];
    return nullptr;
}

const std::string& clickable_gauge(const Instrument& instrument) {
    for (size_t i = 0; i < std::size(INSTRUMENTS); ++i)
        if (INSTRUMENTS[i] == &instrument) return module_gauges().clickable[i];
    static const std::string none;
    return none;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

static std::optional<uint32_t> parse_number(std::string_view text) {
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<uint32_t> find_token(std::string_view text) {
    std::optional<uint32_t> number = parse_number(text);
    for (const NamedToken& t : tokens())
        if (number ? t.token == *number : same_name(text, t.name)) return t.token;
    return std::nullopt;
}

std::optional<TokenRef> find_token_ref(std::string_view text) {
    std::optional<uint32_t> number = parse_number(text);
    for (const NamedToken& t : tokens()) {
        if (number ? t.token != *number : !same_name(text, t.name)) continue;
        if (number) return TokenRef{.token = t.token, .name = t.name, .by_number = true};
        return TokenRef{.token = t.token, .name = t.name, .unit = t.unit, .per_unit = t.per_unit};
    }
    return std::nullopt;
}

const NamedToken* named_token(uint32_t token) {
    for (const NamedToken& t : tokens())
        if (t.token == token) return &t;
    return nullptr;
}

std::optional<uint32_t> find_event(std::string_view text) {
    std::optional<uint32_t> number = parse_number(text);
    for (const NamedEvent& e : events())
        if (number ? e.event == *number : same_name(text, e.name)) return e.event;
    return std::nullopt;
}

std::string event_name(uint32_t event) {
    for (const NamedEvent& e : events())
        if (e.event == event) return e.name;
    return "";
}

int find_control(const Instrument& instrument, std::string_view name) {
    for (size_t i = 0; i < instrument.controls.size(); ++i)
        if (same_name(name, instrument.controls[i])) return int(i);
    return -1;
}

int find_legend(const Instrument& instrument, std::string_view name) {
    for (size_t i = 0; i < instrument.legends.size(); ++i)
        if (same_name(name, instrument.legends[i].name)) return int(i);
    return -1;
}

int find_readout(const Instrument& instrument, std::string_view name) {
    for (size_t i = 0; i < instrument.readouts.size(); ++i)
        if (same_name(name, instrument.readouts[i].name)) return int(i);
    return -1;
}

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out.empty() ? "none" : out;
}

std::string token_list() {
    std::vector<std::string> names;
    for (const NamedToken& t : tokens())
        names.push_back(std::string(t.name) + " (" + std::to_string(t.token) + (*t.unit ? std::string(", ") + t.unit : "") +
                        ")");
    return join(names);
}

std::string event_list() {
    std::vector<std::string> names;
    for (const NamedEvent& e : events()) names.push_back(std::string(e.name) + " (" + std::to_string(e.event) + ")");
    return join(names);
}

std::string control_list(const Instrument& instrument) {
    return join({instrument.controls.begin(), instrument.controls.end()});
}

std::string legend_list(const Instrument& instrument) {
    std::vector<std::string> names;
    for (const Legend& l : instrument.legends) names.push_back(l.name);
    return join(names);
}

std::string readout_list(const Instrument& instrument) {
    std::vector<std::string> names;
    for (const Readout& r : instrument.readouts) names.push_back(r.name);
    return join(names);
}

}  // namespace bench
