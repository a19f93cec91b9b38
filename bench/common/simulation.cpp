#include "bench/common/simulation.h"

#include <algorithm>

#include <cstdio>
#include <cstring>

#include "bench/common/script.h"

namespace bench {

using panelhost::Gauge;
using panelhost::Host;
using panelhost::KeyEvent;

std::string text_of(const Gauge& gauge, size_t child) {
    const std::vector<char>& buffer = gauge.buffer(child);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string describe_event(uint32_t event, std::optional<int32_t> value) {
    std::string name = event_name(event);
    std::string out = name.empty() ? std::to_string(event) + " (not an event of this module)"
                                   : name + " (" + std::to_string(event) + ")";
    if (value) out.append(" ").append(std::to_string(*value));
    return out;
}

Simulation::Simulation(const ModuleOptions& options, Print print) : print_(std::move(print)) {
    panelhost::HostOptions host_options;
    host_options.sound_library = options.sound_path;
    host_options.resource_folder = options.bitmap_folder;
    host_options.log_lookups = false;
    host_ = std::make_unique<Host>(options.module_path, host_options);
    // The gauges this session may place are those of the module it loaded
    // (the linked-in module of the web build can be loaded only once, so it
    // is read here rather than by a load of its own).
    read_gauges(*host_);
    aircraft_ = std::make_unique<Aircraft>(*host_);
    aircraft_->on_note = [this](const std::string& text) { this->print(text, true); };
    host_->on_event = [this](const KeyEvent& event) {
        window_.push_back(event);
        this->print("event " + describe_event(event.event, event.value) + (event.from_area ? " (mouse area)" : ""),
                    true);
        aircraft_->apply(event);
    };
}

void Simulation::print(const std::string& text, bool inner) {
    char time[32];
    std::snprintf(time, sizeof time, "%9.2fs", seconds());
    print_(std::string(time) + (inner ? "      " : "  ") + text);
}

Placed& Simulation::place(const std::string& gauge_name, const std::string& name) {
    Gauge& gauge = host_->place(gauge_name);
    Placed p{.name = name, .gauge = &gauge, .face = instrument_of(gauge_name)};
    p.lit.assign(gauge.children().size(), -1);
    p.texts.assign(gauge.children().size(), std::nullopt);
    placed_.push_back(std::move(p));
    check_sound();
    return placed_.back();
}

Placed* Simulation::find(const std::string& name) {
    for (Placed& p : placed_)
        if (p.name == name) return &p;
    return nullptr;
}

std::pair<int, int> Simulation::control_point(const Instrument& instrument, int control) const {
    const std::string& clickable = clickable_gauge(instrument);
    GAUGEHDR* header = clickable.empty() ? nullptr : host_->find_gauge(clickable);
    std::vector<const MOUSERECT*> areas;
    for (const MOUSERECT* area = header ? header->mouse_rect : nullptr; area && area->kind != MOUSE_KIND_END; ++area)
        if (area->kind == MOUSE_KIND_CHILD) areas.push_back(area);
    if (size_t(control) >= areas.size())
        throw BenchError("control " + std::string(instrument.controls[size_t(control)]) + " is child area " +
                         std::to_string(control + 1) + " of \"" + clickable + "\", whose mouse list has " +
                         std::to_string(areas.size()) + " child areas");
    const MOUSERECT* area = areas[size_t(control)];
    return {area->x + area->width / 2, area->y + area->height / 2};
}

std::string Simulation::control_at(const Placed& p, int x, int y) const {
    int area = p.gauge->area_at(x, y);
    if (area < 0 || !p.face || size_t(area) >= p.face->controls.size()) return "";
    return p.face->controls[size_t(area)];
}

int Simulation::click(Placed& p, int x, int y, const std::string& control, const std::string& suffix) {
    print("click " + p.name + " " + (control.empty() ? "" : control + " ") + "at " + std::to_string(x) + "," +
          std::to_string(y) + suffix);
    int area = p.gauge->click(x, y);
    if (area < 0) print("no mouse area there: nothing happens", true);
    return area;
}

void Simulation::cycle() {
    ++cycles_;
    if (flying) aircraft_->step(1.0 / Aircraft::CYCLES_PER_SECOND);
    for (Placed& p : placed_) p.gauge->update();
    for (Placed& p : placed_) p.gauge->draw();
    check_sound();
    report_changes();
    host_->clear_logs();
}

void Simulation::check_sound() {
    std::vector<standin_call> calls = host_->sound().calls();
    for (size_t i = sound_seen_; i < calls.size(); ++i) {
        const standin_call& call = calls[i];
        if (call.op == STANDIN_OP_LOAD) {
            print("sound load \"" + std::string(call.file, strnlen(call.file, sizeof call.file)) + "\" -> " +
                      std::to_string(call.result),
                  true);
        } else if (call.result != 0) {
            ++chimes_;
            print("chime " + std::to_string(chimes_) + " (sound library play -> " + std::to_string(call.result) + ")",
                  true);
        } else {
            print("chime not played (sound library play -> 0)", true);
        }
    }
    sound_seen_ = calls.size();
}

std::string Simulation::legend_name(const Placed& p, size_t child) const {
    int32_t id = p.gauge->children()[child]->resource_id;
    for (const Legend& legend : p.face->legends)
        if (legend.bitmap_id == id) return legend.name;
    return std::string("#").append(std::to_string(child)).append(" (bitmap ").append(std::to_string(id)).append(")");
}

std::string Simulation::readout_name(const Placed& p, size_t child) const {
    auto* string = reinterpret_cast<const ELEMENT_STRING*>(p.gauge->children()[child]);
    for (const Readout& r : p.face->readouts)
        if (r.source_token == string->source[0].id) return r.name;
    return std::string("#").append(std::to_string(child));
}

// What a gauge shows differently from what the timeline last told: one line
// each ("lamp NAME ALT on", "text NAME vs \"+1\""), without the gauge's name.
std::vector<std::string> Simulation::take_changes(Placed& p) {
    std::vector<std::string> changes;
    p.updated = true;
    for (size_t i = 0; i < p.gauge->children().size(); ++i) {
        const ELEMENT_HEADER* child = p.gauge->children()[i];
        if (child->element_type == ELEMENT_TYPE_ICON) {
            int lit = p.gauge->lit(i) ? 1 : 0;
            if (lit != p.lit[i] && (p.lit[i] != -1 || lit))
                changes.push_back("lamp\t" + legend_name(p, i) + (lit ? " on" : " off"));
            p.lit[i] = lit;
        } else if (child->element_type == ELEMENT_TYPE_STRING) {
            std::string text = text_of(*p.gauge, i);
            if (p.texts[i] != text) changes.push_back("text\t" + readout_name(p, i) + " \"" + text + "\"");
            p.texts[i] = text;
        }
    }
    return changes;
}

// The same change on several gauges of one kind (the preselector's
// renditions share one state) is one line naming them all, in panel order.
void Simulation::report_changes() {
    std::vector<std::vector<std::string>> changes;
    for (Placed& p : placed_) changes.push_back(take_changes(p));
    for (size_t g = 0; g < placed_.size(); ++g) {
        for (const std::string& change : changes[g]) {
            if (change.empty()) continue;  // told with an earlier gauge
            std::string names = placed_[g].name;
            for (size_t other = g + 1; other < placed_.size(); ++other) {
                if (placed_[other].face != placed_[g].face || !placed_[g].face) continue;
                auto same = std::find(changes[other].begin(), changes[other].end(), change);
                if (same == changes[other].end()) continue;
                names += ", " + placed_[other].name;
                same->clear();
            }
            const size_t tab = change.find('\t');
            print(change.substr(0, tab) + " " + names + " " + change.substr(tab + 1), true);
        }
    }
}

}  // namespace bench
