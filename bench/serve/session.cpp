#include "bench/serve/session.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "bench/common/bmp.h"
#include "bench/common/panel_writer.h"
#include "bench/common/render.h"
#include "bench/common/script.h"
#include "module/tokens.h"

namespace serve {

using nlohmann::json;

namespace {

// Timeline lines kept for pages that catch up; older ones are dropped.
constexpr size_t TIMELINE_KEPT = 5000;
// Lines one state answer carries at most; a page far behind skips ahead.
constexpr int64_t TIMELINE_PER_ANSWER = 1000;
// The longest wait one `cycles` line of a script may hold (one simulated day).
constexpr int64_t MAX_CYCLES_A_LINE = 18LL * 86400;

// How the session begins: the aircraft level at 2,500 ft, the autopilot's
// altitude reference at 3,000 ft and its master on.
const std::pair<const char*, double> START[] = {
    {"baro", 29.92}, {"altitude", 2500}, {"ap_alt_ref", 3000}, {"ap_master", 1}};

std::string number_text(double value);

// The number of the window laid out.
int number_of(const bench::PanelConfig& panel) {
    for (const bench::PanelWindow& w : panel.windows)
        if (w.section == panel.section) return w.number;
    return -1;
}

// The range check of a setting, by whatever name or number it came.
void check_range(const bench::TokenRef& ref, double value) {
    const bench::NamedToken* named = bench::named_token(ref.token);
    for (const SettingRange& range : setting_ranges()) {
        if (!named || std::string_view(range.token) != named->name) continue;
        const double in_unit = value * ref.per_unit / named->per_unit;
        if (in_unit >= range.low && in_unit <= range.high) return;
        throw RequestError(400, std::string(range.token) + " must lie from " + number_text(range.low) + " to " +
                                    number_text(range.high) + " " + range.unit + " (" + number_text(in_unit) +
                                    " is outside)");
    }
}

std::string colour(uint32_t bbggrr) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", bbggrr & 0xFF, bbggrr >> 8 & 0xFF, bbggrr >> 16 & 0xFF);
    return text;
}

// The shortest text that reads back as exactly `value`.
std::string number_text(double value) {
    char text[40];
#if defined(__EMSCRIPTEN__)
    // This run-time writes no floating-point to_chars: the fewest digits
    // that read back as the value, whole numbers without an exponent.
    if (!std::isfinite(value)) return "0";
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
#else
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "0";
#endif
}

// A read-out's text as a quoted script word.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The wait between two recorded moments, as script lines.
void wait_lines(int64_t cycles, std::string& out) {
    while (cycles > 0) {
        int64_t part = std::min(cycles, MAX_CYCLES_A_LINE);
        if (part % bench::Aircraft::CYCLES_PER_SECOND == 0)
            out += "fly " + std::to_string(part / bench::Aircraft::CYCLES_PER_SECOND) + "\n";
        else
            out += "cycles " + std::to_string(part) + "\n";
        cycles -= part;
    }
}

}  // namespace

const std::vector<SettingRange>& setting_ranges() {
    static const std::vector<SettingRange> ranges = {
        {"altitude", -1000, 60000, "ft"},
        {"vertical_speed", -6000, 6000, "ft/min"},
        {"ap_alt_ref", 0, 60000, "ft"},
        {"ap_vs_ref", -1600, 1600, "ft/min"},  // the autopilot's knob stops there
        {"baro", 28, 31.5, "inHg"},
    };
    return ranges;
}

Session::Session(const ServeOptions& options) : options_(options) {
    paused = options_.start_paused;
    sim_ = std::make_unique<bench::Simulation>(options_.module, [this](const std::string& line) { keep(line); });
    if (options_.document) {
        options_.panel = options_.document->layout();
        options_.panel.source = options_.document->name;
    } else if (options_.panel.source.empty()) {
        options_.panel = bench::default_panel();
    }
    for (const bench::PanelPlacement& placement : options_.panel.gauges) {
        if (!placement.ours()) continue;
        const std::string name = placement.name.empty() ? placement.gauge : placement.name;
        sim_->print("place " + placement.gauge + (name == placement.gauge ? "" : " as " + name));
        bench::Placed& p = sim_->place(placement.gauge, name);
        placements_.push_back(&placement);
        for (const auto& [id, bitmap] : p.gauge->bitmaps())
            if (!pngs_.count(id)) pngs_[id] = bench::encode_png(bench::image_of(bitmap));
    }
    for (const auto& [token, value] : START) set(token, value);
    started_ = false;  // the session's own settings are not a person's action
}

void Session::keep(const std::string& line) {
    timeline_.push_back(line);
    while (timeline_.size() > TIMELINE_KEPT) {
        timeline_.pop_front();
        ++timeline_start_;
    }
}

void Session::record(std::string line) {
    if (recorded_.size() >= options_.max_actions)
        throw RequestError(409, "this session holds " + std::to_string(options_.max_actions) +
                                    " actions, as many as one recording takes; download it and start a new one");
    recorded_.push_back({sim_->cycles(), std::move(line)});
}

void Session::click(const std::string& gauge, int x, int y) {
    bench::Placed* p = sim_->find(gauge);
    if (!p) throw RequestError(400, "no gauge named \"" + gauge + "\" on this panel");
    const panelhost::Bitmap& face = p->gauge->bitmap(p->gauge->face()->header.resource_id);
    const int width = face.width, height = face.height;
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw RequestError(400, "the point " + std::to_string(x) + "," + std::to_string(y) + " is outside \"" +
                                    gauge + "\" (" + std::to_string(width) + " by " + std::to_string(height) + ")");
    const std::string control = sim_->control_at(*p, x, y);
    record("click " + gauge + " " + std::to_string(x) + "," + std::to_string(y) +
           (control.empty() ? "" : "  # " + control));
    started_ = true;
    sim_->begin_action();
    sim_->click(*p, x, y, control);
    sim_->host().clear_logs();
    if (!paused) {
        run_cycle();
        ++early_;
    }
}

void Session::set(const std::string& token, double value) {
    std::optional<bench::TokenRef> ref = bench::find_token_ref(token);
    if (!ref) throw RequestError(400, "unknown token \"" + token + "\" (the module reads: " + bench::token_list() + ")");
    if (!std::isfinite(value)) throw RequestError(400, "the value for " + token + " must be a finite number");
    check_range(*ref, value);
    // Recorded as named: by name in the person's unit, by number in the module's.
    const std::string line =
        "set " + (ref->by_number ? std::to_string(ref->token) : ref->name) + " " + number_text(value);
    record(line);
    started_ = true;
    sim_->print(line);
    sim_->begin_action();
    sim_->host().set_token(ref->token, value * ref->per_unit);
}

void Session::cycle() {
    if (!started_ && sim_->cycles() > 0) return;
    if (early_ > 0) {
        --early_;
        return;
    }
    run_cycle();
}

void Session::step() {
    started_ = true;
    early_ = 0;
    run_cycle();
}

void Session::run_cycle() {
    sim_->begin_action();
    sim_->cycle();
}

const PanelDocument& Session::open_document() const {
    if (!options_.document) throw RequestError(409, "no panel configuration is open; open one to place gauges in it");
    return *options_.document;
}

namespace {

// The writer's refusals as the page's: a file that does not read, or a place out of range.
template <class Edit>
bench::PlacedText edited(Edit edit) {
    try {
        return edit();
    } catch (const bench::PanelConfigError& e) {
        throw RequestError(400, e.what());
    } catch (const std::invalid_argument& e) {
        throw RequestError(400, e.what());
    }
}

}  // namespace

void Session::move(int line, int x, int y, int width, int height) {
    open_document();  // refused without one
    PanelDocument& document = *options_.document;
    bench::GaugePlace place{.x = x, .y = y, .width = width, .height = height};
    // A line that gives no width keeps none while the gauge keeps its face's width.
    for (const bench::PanelPlacement& p : options_.panel.gauges)
        if (p.line == line && p.ours() && !p.width_given && p.width == width) place.width = 0;
    const bench::PlacedText result =
        edited([&] { return bench::move_gauge(document.current, document.name, document.window, line, place); });
    const bench::PanelConfig moved = bench::parse_panel_config(result.text, document.name, document.window);
    // Only numbers on one line changed: the same gauges, in the same order, keep running where they now stand.
    for (size_t i = 0; i < options_.panel.gauges.size() && i < moved.gauges.size(); ++i) {
        bench::PanelPlacement& p = options_.panel.gauges[i];
        p.x = moved.gauges[i].x;
        p.y = moved.gauges[i].y;
        p.width = moved.gauges[i].width;
        p.height = moved.gauges[i].height;
    }
    document.current = result.text;
}

PanelDocument Session::with_added(const std::string& gauge) const {
    PanelDocument document = open_document();
    const bench::GaugePlace place = bench::free_place(options_.panel, gauge);
    document.current =
        edited([&] { return bench::add_gauge(document.current, document.name, document.window, place); }).text;
    return document;
}

PanelDocument Session::with_removed(int line) const {
    PanelDocument document = open_document();
    document.current =
        edited([&] { return bench::remove_gauge(document.current, document.name, document.window, line); }).text;
    return document;
}

PanelDocument Session::in_window(int window) const {
    PanelDocument document = open_document();
    document.window = window;
    try {
        // Refused here, before the panel is laid out anew (which reads the window's picture).
        bench::parse_panel_config(document.current, document.name, window);
    } catch (const bench::PanelConfigError& e) {
        throw RequestError(400, e.what());
    }
    return document;
}

std::shared_ptr<const WindowPicture> Session::background() const {
    const PanelDocument* d = document();
    if (!options_.panel.background_picture || !d || !d->background)
        throw RequestError(404, options_.panel.background.empty()
                                    ? "this window names no background picture"
                                    : "the server has no picture " + options_.panel.background + " to send");
    return d->background;
}

const std::string& Session::bitmap_png(int32_t id) const {
    auto found = pngs_.find(id);
    if (found == pngs_.end()) throw RequestError(404, "no gauge on this panel shows bitmap " + std::to_string(id));
    return found->second;
}

std::string Session::panel_json() const {
    const bench::PanelConfig& panel = options_.panel;
    json boxes = json::array(), gauges = json::array();
    for (const bench::PanelPlacement& placement : panel.gauges)
        if (!placement.ours())
            boxes.push_back({{"label", placement.named},
                             {"key", placement.key},
                             {"line", placement.line},
                             {"x", placement.x},
                             {"y", placement.y},
                             {"width", placement.width ? placement.width : bench::PANEL_MARKER_UNITS},
                             {"height", placement.width ? placement.height : bench::PANEL_MARKER_UNITS},
                             {"marker", placement.width == 0}});
    for (size_t i = 0; i < sim_->placed().size(); ++i) {
        const bench::Placed& p = sim_->placed()[i];
        const bench::PanelPlacement& placement = *placements_[i];
        const panelhost::Bitmap& face = p.gauge->bitmap(p.gauge->face()->header.resource_id);
        json lamps = json::array(), texts = json::array(), controls = json::array();
        for (size_t c = 0; c < p.gauge->children().size(); ++c) {
            const ELEMENT_HEADER* child = p.gauge->children()[c];
            if (child->element_type == ELEMENT_TYPE_ICON) {
                lamps.push_back({{"legend", sim_->legend_name(p, c)},
                                 {"bitmap", child->resource_id},
                                 {"x", child->position_x},
                                 {"y", child->position_y}});
            } else if (child->element_type == ELEMENT_TYPE_STRING) {
                const auto* string = reinterpret_cast<const ELEMENT_STRING*>(child);
                texts.push_back({{"readout", sim_->readout_name(p, c)},
                                 {"x", child->position_x},
                                 {"y", child->position_y},
                                 {"width", string->box_width},
                                 {"height", string->box_height},
                                 {"background", colour(string->style.background_colour)},
                                 {"colour", colour(string->style.text_colour)}});
            }
        }
        for (size_t a = 0; a < p.gauge->areas().size(); ++a) {
            const MOUSERECT* area = p.gauge->areas()[a];
            controls.push_back({{"name", a < p.face->controls.size() ? p.face->controls[a] : "#" + std::to_string(a)},
                                {"x", area->x},
                                {"y", area->y},
                                {"width", area->width},
                                {"height", area->height}});
        }
        const int width = placement.width > 0 ? placement.width : face.width;
        const int height =
            placement.height > 0 ? placement.height : bench::height_keeping_aspect(width, face.width, face.height);
        gauges.push_back({{"name", p.name},
                          {"gauge", p.gauge->name()},
                          {"key", placement.key},
                          {"line", placement.line},
                          {"height_given", placement.height > 0},
                          {"x", placement.x},
                          {"y", placement.y},
                          {"width", width},
                          {"height", height},
                          {"face", {{"bitmap", face.id}, {"width", face.width}, {"height", face.height}}},
                          {"lamps", lamps},
                          {"texts", texts},
                          {"controls", controls}});
    }
    json ranges = json::object();
    for (const SettingRange& r : setting_ranges())
        ranges[r.token] = {{"low", r.low}, {"high", r.high}, {"unit", r.unit}};
    json document = nullptr;
    if (const PanelDocument* d = this->document()) {
        json windows = json::array(), changes = json::array();
        for (const bench::PanelWindow& w : panel.windows)
            if (w.number >= 0)
                windows.push_back({{"number", w.number},
                                   {"section", w.section},
                                   {"title", w.title},
                                   {"virtual_cockpit", w.virtual_cockpit},
                                   {"texture", w.texture}});
        for (const bench::GaugeLineChange& c : bench::gauge_line_changes(d->original, d->current, d->name))
            changes.push_back({{"section", c.section},
                               {"key", c.key},
                               {"kind", c.kind},
                               {"line", c.line},
                               {"now", c.now},
                               {"was", c.was}});
        json background = nullptr;
        if (!panel.background.empty())
            background = {{"name", panel.background},
                          {"line", panel.background_line},
                          {"served", panel.background_picture != nullptr},
                          {"problem", panel.background_problem}};
        document = {{"name", d->name},
                    {"download", download_name(*d)},
                    {"window", panel.windows.empty() ? -1 : number_of(panel)},
                    {"windows", windows},
                    {"background", background},
                    {"edited", d->current != d->original},
                    {"changes", changes}};
    }
    json gauge_names = json::array();
    for (const std::string& name : bench::gauge_names()) gauge_names.push_back(name);
    return json{{"source", panel.source},
                {"document", document},
                {"our_gauges", gauge_names},
                {"labels", panel.source == bench::default_panel().source},  // names beneath, as the bench's panel pictures
                {"section", panel.section},
                {"width", panel.width},
                {"height", panel.height},
                {"cycles_per_second", bench::Aircraft::CYCLES_PER_SECOND},
                {"ranges", ranges},
                {"boxes", boxes},
                {"gauges", gauges}}
        .dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Session::state_json(int64_t since) const {
    json gauges = json::array();
    for (const bench::Placed& p : sim_->placed()) {
        std::string lamps;
        json texts = json::array();
        for (size_t c = 0; c < p.gauge->children().size(); ++c) {
            const ELEMENT_HEADER* child = p.gauge->children()[c];
            if (child->element_type == ELEMENT_TYPE_ICON)
                lamps += p.updated && p.gauge->lit(c) ? '1' : '0';
            else if (child->element_type == ELEMENT_TYPE_STRING)
                texts.push_back(p.updated ? bench::text_of(*p.gauge, c) : "");
        }
        gauges.push_back({{"lamps", lamps}, {"texts", texts}});
    }
    json tokens = json::object();
    // In the units a person reads: ft, ft/min, inHg.
    for (const bench::NamedToken& t : bench::tokens()) tokens[t.name] = sim_->host().token(t.token) / t.per_unit;
    const int64_t end = timeline_start_ + int64_t(timeline_.size());
    // A page that asks past the end knew an earlier session: it gets this one's lines from the start.
    int64_t from = since > end ? timeline_start_ : std::max(since, timeline_start_);
    if (end - from > TIMELINE_PER_ANSWER) from = end - TIMELINE_PER_ANSWER;
    json lines = json::array();
    for (int64_t i = from; i < end; ++i) lines.push_back(timeline_[size_t(i - timeline_start_)]);
    return json{{"cycle", sim_->cycles()},
                {"time", sim_->seconds()},
                {"paused", paused},
                {"speed", speed},
                {"chimes", sim_->chimes()},
                {"engaged", sim_->aircraft().vertical_engaged()},
                {"vs_fpm", sim_->aircraft().vertical_speed_fpm()},
                {"tokens", tokens},
                {"gauges", gauges},
                {"actions", recorded_.size()},
                {"timeline", {{"from", from}, {"next", end}, {"lines", lines}}}}
        .dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Session::script() const {
    std::string out =
        "# A session on the panel bench's page, panel " + options_.panel.source +
        ".\n# Replay it with `panelbench run FILE` (on Windows: panelbench.exe, in the release zip),\n"
        "# or open it in try-in-browser.html with \"Run a scenario\u2026\".\n";
    for (const bench::Placed& p : sim_->placed())
        out += "place " + p.gauge->name() + (p.name == p.gauge->name() ? "" : " as " + p.name) + "\n";
    int64_t at = 0;
    for (const Recorded& r : recorded_) {
        wait_lines(r.cycle - at, out);
        at = r.cycle;
        out += r.line + "\n";
    }
    wait_lines(sim_->cycles() - at, out);
    if (sim_->cycles() == 0) return out;  // nothing drawn yet: nothing to expect
    out += "# where the session stood\n";
    out += "expect chimes " + std::to_string(sim_->chimes()) + "\n";
    for (const bench::Placed& p : sim_->placed()) {
        std::vector<std::string> seen;
        for (size_t c = 0; c < p.gauge->children().size(); ++c) {
            const ELEMENT_HEADER* child = p.gauge->children()[c];
            std::string line;
            if (child->element_type == ELEMENT_TYPE_ICON) {
                const std::string legend = sim_->legend_name(p, c);
                if (bench::find_legend(*p.face, legend) < 0 || p.gauge->child_by_bitmap(child->resource_id) != int(c))
                    continue;
                line = "expect lamp " + p.name + " " + legend + (p.gauge->lit(c) ? " on" : " off");
            } else if (child->element_type == ELEMENT_TYPE_STRING) {
                const std::string readout = sim_->readout_name(p, c);
                if (bench::find_readout(*p.face, readout) < 0) continue;
                line = "expect text " + p.name + " " + readout + " " + quoted(bench::text_of(*p.gauge, c));
            } else {
                continue;
            }
            if (std::find(seen.begin(), seen.end(), line) != seen.end()) continue;
            seen.push_back(line);
            out += line + "\n";
        }
    }
    return out;
}

}  // namespace serve
