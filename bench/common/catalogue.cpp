#include "bench/common/catalogue.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "module/tokens.h"
#include "resources/bitmaps.h"

namespace bench {

const std::vector<NamedToken>& tokens() {
    static const std::vector<NamedToken> list = {
        {"vertical_speed", TOKEN_VERTICAL_SPEED, "aircraft vertical speed, 1/256 m/s"},
        {"altitude", TOKEN_ALTITUDE, "aircraft altitude, ft"},
        {"baro", TOKEN_BARO, "altimeter pressure setting"},
        {"ap_master", TOKEN_AP_MASTER, "autopilot engaged, 1 = engaged"},
        {"ap_nav", TOKEN_AP_NAV, "NAV mode active"},
        {"ap_hdg", TOKEN_AP_HDG, "HDG mode active"},
        {"ap_alt", TOKEN_AP_ALT, "altitude hold active"},
        {"ap_alt_ref", TOKEN_AP_ALT_REF, "altitude reference, ft"},
        {"ap_gs", TOKEN_AP_GS, "glide-slope mode active"},
        {"ap_apr", TOKEN_AP_APR, "approach mode active"},
        {"ap_rev", TOKEN_AP_REV, "back-course mode active"},
        {"ap_vs", TOKEN_AP_VS, "vertical-speed mode active"},
        {"ap_vs_ref", TOKEN_AP_VS_REF, "vertical-speed reference, ft/min"},
        {"ap_fd", TOKEN_AP_FD, "flight director active"},
        {"ap_gpss", TOKEN_AP_GPSS, "GPS steering active"},
    };
    return list;
}

const std::vector<NamedEvent>& events() {
    static const std::vector<NamedEvent> list = {
        {"evt_vs_ref_set", evt_vs_ref_set},
        {"evt_alt_ref_set", evt_alt_ref_set},
        {"evt_vertical_engage_a", evt_vertical_engage_a},
        {"evt_vertical_engage_b", evt_vertical_engage_b},
        {"evt_vertical_release_a", evt_vertical_release_a},
        {"evt_vertical_release_b", evt_vertical_release_b},
        {"evt_vs_step_up", evt_vs_step_up},
        {"evt_vs_step_down", evt_vs_step_down},
        {"evt_hdg_button", evt_hdg_button},
        {"evt_nav_button", evt_nav_button},
        {"evt_apr_button", evt_apr_button},
        {"evt_rev_button", evt_rev_button},
    };
    return list;
}

const std::vector<std::string>& gauge_names() {
    static const std::vector<std::string> list = {"altpreselector", "vcaltpreselector", "altpreselectornosnd",
                                                  "autopilot", "annunciator"};
    return list;
}

static const Face AUTOPILOT_FACE = {
    .kind = "autopilot",
    .face_bitmap = BITMAP_AP_FACE,
    .clickable_gauge = "autopilot",
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

static const Face ANNUNCIATOR_FACE = {
    .kind = "annunciator",
    .face_bitmap = BITMAP_ANN_FACE,
    .clickable_gauge = "annunciator",
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

static const Face PRESELECTOR_FACE = {
    .kind = "preselector",
    .face_bitmap = BITMAP_PRESEL_FACE,
    .clickable_gauge = "altpreselector",
    .controls = {"DTA", "BAR", "ALT", "DH", "VS", "MAN", "ALR", "knob-dec", "knob-inc", "knob-pull"},
    .legends = {{"ENT", BITMAP_PRESEL_ENT}, {"ALT", BITMAP_PRESEL_ALT}, {"BARO", BITMAP_PRESEL_BARO}, {"SEL", BITMAP_PRESEL_SEL}, {"ALR", BITMAP_PRESEL_ALR}, {"DH", BITMAP_PRESEL_DH}, {"VS", BITMAP_PRESEL_VS}},
    .readouts = {{"vs", TOKEN_AP_VS_REF}, {"altitude", TOKEN_AP_ALT_REF}},
};

const Face* face_of(std::string_view gauge_name) {
    if (gauge_name == "autopilot") return &AUTOPILOT_FACE;
    if (gauge_name == "annunciator") return &ANNUNCIATOR_FACE;
    if (gauge_name == "altpreselector" || gauge_name == "vcaltpreselector" || gauge_name == "altpreselectornosnd")
        return &PRESELECTOR_FACE;
    return nullptr;
}

static bool same_name(std::string_view a, std::string_view b) {
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

int find_control(const Face& face, std::string_view name) {
    for (size_t i = 0; i < face.controls.size(); ++i)
        if (same_name(name, face.controls[i])) return int(i);
    return -1;
}

int find_legend(const Face& face, std::string_view name) {
    for (size_t i = 0; i < face.legends.size(); ++i)
        if (same_name(name, face.legends[i].name)) return int(i);
    return -1;
}

int find_readout(const Face& face, std::string_view name) {
    for (size_t i = 0; i < face.readouts.size(); ++i)
        if (same_name(name, face.readouts[i].name)) return int(i);
    return -1;
}

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out.empty() ? "none" : out;
}

std::string token_list() {
    std::vector<std::string> names;
    for (const NamedToken& t : tokens()) names.push_back(std::string(t.name) + " (" + std::to_string(t.token) + ")");
    return join(names);
}

std::string event_list() {
    std::vector<std::string> names;
    for (const NamedEvent& e : events()) names.push_back(std::string(e.name) + " (" + std::to_string(e.event) + ")");
    return join(names);
}

std::string control_list(const Face& face) { return join({face.controls.begin(), face.controls.end()}); }

std::string legend_list(const Face& face) {
    std::vector<std::string> names;
    for (const Legend& l : face.legends) names.push_back(l.name);
    return join(names);
}

std::string readout_list(const Face& face) {
    std::vector<std::string> names;
    for (const Readout& r : face.readouts) names.push_back(r.name);
    return join(names);
}

}  // namespace bench
