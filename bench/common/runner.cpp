#include "bench/common/runner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "bench/common/aircraft.h"
#include "bench/common/render.h"

namespace bench {

namespace {

using panelhost::Gauge;
using panelhost::Host;
using panelhost::KeyEvent;

// An expectation that did not hold: reported, and the run stops.
struct Failed {
    std::string what;
};

struct Placed {
    std::string name;
    Gauge* gauge;
    const Face* face;
    std::vector<int> lit;  // per child: -1 not seen yet, 0 dark, 1 lit
    std::vector<std::optional<std::string>> texts;
    bool updated = false;
};

std::string format_number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string describe_event(uint32_t event, std::optional<int32_t> value = std::nullopt) {
    std::string name = event_name(event);
    std::string out = name.empty() ? std::to_string(event) + " (not an event of this module)"
                                   : name + " (" + std::to_string(event) + ")";
    if (value) out.append(" ").append(std::to_string(*value));
    return out;
}

// The text a string child holds: up to its NUL, never past the host's buffer.
std::string text_of(const Gauge& gauge, size_t child) {
    const std::vector<char>& buffer = gauge.buffer(child);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

class Runner {
public:
    Runner(const Script& script, const RunOptions& options, std::ostream& out, std::ostream& err)
        : script_(script), options_(options), out_(out), err_(err) {}

    int run() {
        size_t index = SIZE_MAX;  // no command yet: a failure to load names no line
        try {
            panelhost::HostOptions host_options;
            host_options.sound_library = options_.sound_path;
            host_options.resource_folder = options_.bitmap_folder;
            host_options.log_lookups = false;
            host_ = std::make_unique<Host>(options_.module_path, host_options);
            aircraft_ = std::make_unique<Aircraft>(*host_);
            aircraft_->on_note = [this](const std::string& text) { print(text, true); };
            host_->on_event = [this](const KeyEvent& event) {
                window_.push_back(event);
                print("event " + describe_event(event.event, event.value) + (event.from_area ? " (mouse area)" : ""),
                      true);
                aircraft_->apply(event);
            };
            out_ << "panelbench: " << script_.file << " with " << options_.module_path << "\n";
            if (options_.panel) place_panel(*options_.panel);
            for (index = 0; index < script_.commands.size(); ++index) {
                execute(script_.commands[index]);
                host_->clear_logs();
            }
        } catch (const Failed& failed) {
            const Command& c = script_.commands[index];
            err_ << script_.file << ":" << c.line << ": " << c.source << ": " << failed.what << "\n";
            summary(false, c.line);
            return RUN_EXPECTATION_FAILED;
        } catch (const std::exception& e) {
            if (index < script_.commands.size())
                err_ << script_.file << ":" << script_.commands[index].line << ": " << e.what() << "\n";
            else
                err_ << script_.file << ": " << e.what() << "\n";
            summary(false, index < script_.commands.size() ? script_.commands[index].line : 0);
            return RUN_ERROR;
        }
        summary(true, 0);
        return RUN_PASSED;
    }

private:
    void print(const std::string& text, bool inner = false) {
        char time[32];
        std::snprintf(time, sizeof time, "%9.2fs", double(cycles_) / Aircraft::CYCLES_PER_SECOND);
        out_ << time << (inner ? "      " : "  ") << text << "\n";
    }

    void summary(bool passed, int line) {
        char time[32];
        std::snprintf(time, sizeof time, "%.2f", double(cycles_) / Aircraft::CYCLES_PER_SECOND);
        std::string pictures = std::to_string(snapshots_) + " snapshot" + (snapshots_ == 1 ? "" : "s") + " written" +
                               (snapshots_ ? " to " + options_.out_dir : "");
        if (skipped_)
            pictures.append(", ").append(std::to_string(skipped_)).append(" passed over (no snapshots in this run)");
        if (passed)
            out_ << "passed: " << script_.file << ", " << time << " s simulated, " << chimes_ << " chime"
                 << (chimes_ == 1 ? "" : "s") << ", " << pictures << "\n";
        else {
            out_ << "FAILED: " << script_.file;
            if (line) out_ << ":" << line;
            out_ << " (after " << time << " s simulated; " << pictures << " before the failure)\n";
        }
    }

    Placed& placed(const std::string& name) {
        for (Placed& p : placed_)
            if (p.name == name) return p;
        throw BenchError("no gauge \"" + name + "\" on the panel");
    }

    void execute(const Command& c) {
        switch (c.op) {
        case Op::Place: place(c); break;
        case Op::Set:
            print(c.source);
            host_->set_token(c.token, c.value);
            pending_line_ = c.line;
            break;
        case Op::Click: click(c); break;
        case Op::Cycles:
        case Op::Fly:
            print(c.source);
            begin_action(c);
            for (int64_t i = 0; i < c.count; ++i) cycle();
            pending_line_ = 0;
            break;
        case Op::ExpectLamp: expect_lamp(c); break;
        case Op::ExpectText: expect_text(c); break;
        case Op::ExpectEvent: expect_event(c); break;
        case Op::ExpectNoEvent: expect_no_event(c); break;
        case Op::ExpectChimes:
            if (chimes_ != c.count)
                throw Failed{std::to_string(c.count) + " chime" + (c.count == 1 ? "" : "s") +
                             " expected since the start, " + std::to_string(chimes_) + " played"};
            break;
        case Op::ExpectToken: expect_token(c); break;
        case Op::Snapshot: snapshot(c); break;
        case Op::SoundNext:
            print(c.source);
            host_->sound().queue(c.sound_op, c.sound_result);
            break;
        case Op::Note: print("-- " + c.text); break;
        }
    }

    void begin_action(const Command& c) {
        window_.clear();
        action_ = &c;
    }

    void add(const std::string& name, const std::string& gauge_name) {
        Gauge& gauge = host_->place(gauge_name);
        Placed p{.name = name, .gauge = &gauge, .face = face_of(gauge_name)};
        p.lit.assign(gauge.children().size(), -1);
        p.texts.assign(gauge.children().size(), std::nullopt);
        placed_.push_back(std::move(p));
        check_sound();
    }

    void place(const Command& c) {
        if (c.on_panel) {
            print(c.source + ": on the panel already (" + options_.panel->source + ")");
            begin_action(c);  // an `expect event` after this line sees what it sent: nothing
            return;
        }
        print(c.source);
        begin_action(c);
        add(c.gauge, c.gauge_name);
        pending_line_ = c.line;
    }

    // The configuration's gauges of this module, in its order, before the script's first line.
    void place_panel(const PanelConfig& panel) {
        print("panel " + panel.source + ": window [" + panel.section + "] " + std::to_string(panel.width) + "x" +
              std::to_string(panel.height));
        for (const PanelPlacement& p : panel.gauges) {
            std::string where = " at " + std::to_string(p.x) + "," + std::to_string(p.y) + " width " +
                                std::to_string(p.width) + (p.height ? " height " + std::to_string(p.height) : "");
            if (!p.ours()) {
                print(p.file + "!" + p.gauge + where + ": another file's gauge, drawn as an empty box", true);
                continue;
            }
            print("place " + p.gauge + (p.name != p.gauge ? " as " + p.name : "") + where, true);
            add(p.name, p.gauge);
        }
    }

    // The face point of a named control: the centre of its area in the mouse
    // list of the gauge that takes clicks on that face.
    std::pair<int, int> control_point(const Command& c) {
        GAUGEHDR* header = host_->find_gauge(c.face->clickable_gauge);
        std::vector<const MOUSERECT*> areas;
        for (const MOUSERECT* area = header ? header->mouse_rect : nullptr; area && area->kind != MOUSE_KIND_END;
             ++area)
            if (area->kind == MOUSE_KIND_CHILD) areas.push_back(area);
        if (size_t(c.control) >= areas.size())
            throw BenchError("control " + std::string(c.face->controls[size_t(c.control)]) + " is child area " +
                             std::to_string(c.control + 1) + " of \"" + c.face->clickable_gauge +
                             "\", whose mouse list has " + std::to_string(areas.size()) + " child areas");
        const MOUSERECT* area = areas[size_t(c.control)];
        return {area->x + area->width / 2, area->y + area->height / 2};
    }

    void click(const Command& c) {
        Placed& p = placed(c.gauge);
        auto [x, y] = c.control >= 0 ? control_point(c) : std::pair{c.x, c.y};
        begin_action(c);
        for (int i = 0; i < c.repeat; ++i) {
            std::string what = "click " + c.gauge + " " +
                               (c.control >= 0 ? std::string(c.face->controls[size_t(c.control)]) + " " : "") + "at " +
                               std::to_string(x) + "," + std::to_string(y);
            if (c.repeat > 1) what += " (" + std::to_string(i + 1) + " of " + std::to_string(c.repeat) + ")";
            print(what);
            if (p.gauge->click(x, y) < 0) print("no mouse area there: nothing happens", true);
        }
        pending_line_ = c.line;
    }

    void cycle() {
        ++cycles_;
        aircraft_->step(1.0 / Aircraft::CYCLES_PER_SECOND);
        for (Placed& p : placed_) p.gauge->update();
        for (Placed& p : placed_) p.gauge->draw();
        check_sound();
        for (Placed& p : placed_) report_changes(p);
        host_->clear_logs();
    }

    void check_sound() {
        std::vector<standin_call> calls = host_->sound().calls();
        for (size_t i = sound_seen_; i < calls.size(); ++i) {
            const standin_call& call = calls[i];
            if (call.op == STANDIN_OP_LOAD) {
                print("sound load \"" + std::string(call.file, strnlen(call.file, sizeof call.file)) + "\" -> " +
                          std::to_string(call.result),
                      true);
            } else if (call.result != 0) {
                ++chimes_;
                print(
                    "chime " + std::to_string(chimes_) + " (sound library play -> " + std::to_string(call.result) + ")",
                    true);
            } else {
                print("chime not played (sound library play -> 0)", true);
            }
        }
        sound_seen_ = calls.size();
    }

    std::string legend_name(const Placed& p, size_t child) const {
        int32_t id = p.gauge->children()[child]->resource_id;
        for (const Legend& legend : p.face->legends)
            if (legend.bitmap_id == id) return legend.name;
        return std::string("#")
            .append(std::to_string(child))
            .append(" (bitmap ")
            .append(std::to_string(id))
            .append(")");
    }

    std::string readout_name(const Placed& p, size_t child) const {
        auto* string = reinterpret_cast<const ELEMENT_STRING*>(p.gauge->children()[child]);
        for (const Readout& r : p.face->readouts)
            if (r.source_token == string->source[0].id) return r.name;
        return std::string("#").append(std::to_string(child));
    }

    void report_changes(Placed& p) {
        p.updated = true;
        for (size_t i = 0; i < p.gauge->children().size(); ++i) {
            const ELEMENT_HEADER* child = p.gauge->children()[i];
            if (child->element_type == ELEMENT_TYPE_ICON) {
                int lit = p.gauge->lit(i) ? 1 : 0;
                if (lit != p.lit[i] && (p.lit[i] != -1 || lit))
                    print("lamp " + p.name + " " + legend_name(p, i) + (lit ? " on" : " off"), true);
                p.lit[i] = lit;
            } else if (child->element_type == ELEMENT_TYPE_STRING) {
                std::string text = text_of(*p.gauge, i);
                if (p.texts[i] != text) print("text " + p.name + " " + readout_name(p, i) + " \"" + text + "\"", true);
                p.texts[i] = text;
            }
        }
    }

    std::string stale_hint(const Placed& p) const {
        if (!p.updated) return " (no panel cycle has run since the gauge was placed: add `cycles 1`)";
        if (pending_line_)
            return " (no panel cycle has run since line " + std::to_string(pending_line_) +
                   ": add `cycles 1` to see its effect)";
        return "";
    }

    void expect_lamp(const Command& c) {
        Placed& p = placed(c.gauge);
        const Legend& legend = c.face->legends[size_t(c.legend)];
        int child = p.gauge->child_by_bitmap(legend.bitmap_id);
        if (child < 0)
            throw Failed{"\"" + c.gauge + "\" has no " + legend.name + " legend (no element shows bitmap " +
                         std::to_string(legend.bitmap_id) + ")"};
        bool lit = p.gauge->lit(size_t(child));
        if (lit != c.on)
            throw Failed{std::string("the ") + legend.name + " lamp is " + (lit ? "on" : "off") +
                         " (callback answered " + format_number(p.gauge->answer(size_t(child))) + ")" + stale_hint(p)};
    }

    void expect_text(const Command& c) {
        Placed& p = placed(c.gauge);
        const Readout& readout = c.face->readouts[size_t(c.readout)];
        for (size_t i = 0; i < p.gauge->children().size(); ++i) {
            const ELEMENT_HEADER* child = p.gauge->children()[i];
            if (child->element_type != ELEMENT_TYPE_STRING) continue;
            if (reinterpret_cast<const ELEMENT_STRING*>(child)->source[0].id != readout.source_token) continue;
            std::string text = text_of(*p.gauge, i);
            if (text != c.text)
                throw Failed{std::string("the ") + readout.name + " read-out shows \"" + text + "\"" + stale_hint(p)};
            return;
        }
        throw Failed{"\"" + c.gauge + "\" has no " + readout.name + " read-out (no string element with token " +
                     std::to_string(readout.source_token) + ")"};
    }

    std::string window_text() const {
        std::string what =
            action_ ? "line " + std::to_string(action_->line) + " (" + action_->source + ")" : "the start";
        if (window_.empty()) return what + " sent no key event";
        std::string sent;
        for (const KeyEvent& e : window_) sent += (sent.empty() ? "" : ", ") + describe_event(e.event, e.value);
        return what + " sent: " + sent;
    }

    void expect_event(const Command& c) {
        for (const KeyEvent& e : window_)
            if (e.event == c.event && (!c.has_value || e.value == c.event_value)) return;
        throw Failed{"expected " + describe_event(c.event, c.has_value ? std::optional(c.event_value) : std::nullopt) +
                     "; " + window_text()};
    }

    void expect_no_event(const Command& c) {
        for (const KeyEvent& e : window_)
            if (c.event == 0 || e.event == c.event)
                throw Failed{"expected no " + (c.event ? describe_event(c.event) : "key event") + "; " + window_text()};
    }

    void expect_token(const Command& c) {
        double value = host_->token(c.token);
        bool same = std::isnan(c.value) ? std::isnan(value) : std::fabs(value - c.value) <= c.tolerance;
        if (!same)
            throw Failed{"token " + std::to_string(c.token) + " is " + format_number(value) + ", not " +
                         format_number(c.value) + (c.tolerance > 0 ? " within " + format_number(c.tolerance) : "")};
    }

    void snapshot(const Command& c) {
        if (!options_.snapshots) {
            print(c.source + ": passed over (no snapshots in this run)");
            ++skipped_;
            return;
        }
        Image image;
        std::string left_out;
        if (c.gauge == "panel" && options_.panel) {
            std::vector<const Gauge*> gauges;
            for (const PanelPlacement& p : options_.panel->gauges)
                gauges.push_back(p.ours() ? placed(p.name).gauge : nullptr);
            for (const Placed& p : placed_)
                if (std::find(gauges.begin(), gauges.end(), p.gauge) == gauges.end())
                    left_out += (left_out.empty() ? "" : ", ") + p.name;
            image = render_window(*options_.panel, gauges, options_.scale);
        } else if (c.gauge == "panel") {
            std::vector<PanelEntry> entries;
            for (const Placed& p : placed_) entries.push_back({p.name, p.gauge});
            image = render_panel(entries, options_.scale);
        } else {
            image = render_gauge(*placed(c.gauge).gauge, options_.scale);
        }
        std::string path = options_.out_dir + "/" + c.path;
        write_png(image, path);
        ++snapshots_;
        print("snapshot " + path + (left_out.empty() ? "" : " (not in the window, so not drawn: " + left_out + ")"));
    }

    const Script& script_;
    const RunOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<Aircraft> aircraft_;
    std::vector<Placed> placed_;
    int64_t cycles_ = 0;
    std::vector<KeyEvent> window_;
    const Command* action_ = nullptr;
    int pending_line_ = 0;
    size_t sound_seen_ = 0;
    int64_t chimes_ = 0;
    int snapshots_ = 0;
    int skipped_ = 0;
};

}  // namespace

int run_script(const Script& script, const RunOptions& options, std::ostream& out, std::ostream& err) {
    return Runner(script, options, out, err).run();
}

}  // namespace bench
