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
using panelhost::KeyEvent;

// An expectation that did not hold: reported, and the run stops.
struct Failed {
    std::string what;
};

std::string format_number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

class Runner {
public:
    Runner(const Script& script, const RunOptions& options, std::ostream& out, std::ostream& err)
        : script_(script), options_(options), out_(out), err_(err) {}

    int run() {
        size_t index = SIZE_MAX;  // no command yet: a failure to load names no line
        try {
            sim_ = std::make_unique<Simulation>(options_, [this](const std::string& line) { out_ << line << "\n"; });
            sim_->flying = options_.fly;
            out_ << "panelbench: " << script_.file << " with " << options_.module_path << "\n";
            if (options_.panel) place_panel(*options_.panel);
            if (std::string trap = trap_calls(); !trap.empty()) throw BenchError(trap);
            for (index = 0; index < script_.commands.size(); ++index) {
                execute(script_.commands[index]);
                if (std::string trap = trap_calls(); !trap.empty()) throw Failed{trap};
                sim_->host().clear_logs();
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
    void print(const std::string& text, bool inner = false) { sim_->print(text, inner); }

    void summary(bool passed, int line) {
        char time[32];
        const int64_t chimes = sim_ ? sim_->chimes() : 0;
        std::snprintf(time, sizeof time, "%.2f", sim_ ? sim_->seconds() : 0.0);
        std::string pictures = std::to_string(snapshots_) + " snapshot" + (snapshots_ == 1 ? "" : "s") + " written" +
                               (snapshots_ ? " to " + options_.out_dir : "");
        if (skipped_)
            pictures.append(", ").append(std::to_string(skipped_)).append(" passed over (no snapshots in this run)");
        if (passed)
            out_ << "passed: " << script_.file << ", " << time << " s simulated, " << chimes << " chime"
                 << (chimes == 1 ? "" : "s") << ", " << pictures << "\n";
        else {
            out_ << "FAILED: " << script_.file;
            if (line) out_ << ":" << line;
            out_ << " (after " << time << " s simulated; " << pictures << " before the failure)\n";
        }
    }

    // The PANELS words outside the nine services that the module called
    // during the last step, one line each; empty when it called none.
    std::string trap_calls() {
        std::string out;
        for (const panelhost::TrapCall& trap : sim_->host().take_traps())
            out.append(out.empty() ? "" : "\n").append(trap.text());
        return out;
    }

    Placed& placed(const std::string& name) {
        if (Placed* p = sim_->find(name)) return *p;
        throw BenchError("no gauge \"" + name + "\" on the panel");
    }

    void execute(const Command& c) {
        switch (c.op) {
        case Op::Place: place(c); break;
        case Op::Set:
            print(c.source);
            sim_->host().set_token(c.token, c.value);
            pending_line_ = c.line;
            break;
        case Op::Click: click(c); break;
        case Op::Cycles:
        case Op::Fly:
            print(c.source);
            begin_action(c);
            for (int64_t i = 0; i < c.count; ++i) sim_->cycle();
            pending_line_ = 0;
            break;
        case Op::ExpectLamp: expect_lamp(c); break;
        case Op::ExpectText: expect_text(c); break;
        case Op::ExpectEvent: expect_event(c); break;
        case Op::ExpectNoEvent: expect_no_event(c); break;
        case Op::ExpectChimes:
            if (sim_->chimes() != c.count)
                throw Failed{std::to_string(c.count) + " chime" + (c.count == 1 ? "" : "s") +
                             " expected since the start, " + std::to_string(sim_->chimes()) + " played"};
            break;
        case Op::ExpectToken: expect_token(c); break;
        case Op::Snapshot: snapshot(c); break;
        case Op::SoundNext:
            print(c.source);
            sim_->host().sound().queue(c.sound_op, c.sound_result);
            break;
        case Op::Note: print("-- " + c.text); break;
        }
    }

    void begin_action(const Command& c) {
        sim_->begin_action();
        action_ = &c;
    }

    void place(const Command& c) {
        if (c.on_panel) {
            print(c.source + ": on the panel already (" + options_.panel->source + ")");
            begin_action(c);  // an `expect event` after this line sees what it sent: nothing
            return;
        }
        print(c.source);
        begin_action(c);
        sim_->place(c.gauge_name, c.gauge);
        pending_line_ = c.line;
    }

    // The configuration's gauges of this module, in its order, before the script's first line.
    void place_panel(const PanelConfig& panel) {
        print("panel " + panel.source + ": window [" + panel.section + "] " + std::to_string(panel.width) + "x" +
              std::to_string(panel.height));
        for (const PanelPlacement& p : panel.gauges) {
            std::string where = " at " + std::to_string(p.x) + "," + std::to_string(p.y) +
                                (p.width ? " width " + std::to_string(p.width) : "") +
                                (p.height ? " height " + std::to_string(p.height) : "");
            if (!p.ours()) {
                print(p.named + where + ": another file's gauge, drawn as " + (p.width ? "an empty box" : "a marker"),
                      true);
                continue;
            }
            print("place " + p.gauge + (p.name != p.gauge ? " as " + p.name : "") + where, true);
            sim_->place(p.gauge, p.name);
        }
    }

    void click(const Command& c) {
        Placed& p = placed(c.gauge);
        auto [x, y] = c.control >= 0 ? sim_->control_point(*c.instrument, c.control) : std::pair{c.x, c.y};
        begin_action(c);
        const std::string control = c.control >= 0 ? c.instrument->controls[size_t(c.control)] : "";
        for (int i = 0; i < c.repeat; ++i)
            sim_->click(p, x, y, control,
                        c.repeat > 1 ? " (" + std::to_string(i + 1) + " of " + std::to_string(c.repeat) + ")" : "");
        pending_line_ = c.line;
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
        const Legend& legend = c.instrument->legends[size_t(c.legend)];
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
        const Readout& readout = c.instrument->readouts[size_t(c.readout)];
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
        if (sim_->window().empty()) return what + " sent no key event";
        std::string sent;
        for (const KeyEvent& e : sim_->window()) sent += (sent.empty() ? "" : ", ") + describe_event(e.event, e.value);
        return what + " sent: " + sent;
    }

    void expect_event(const Command& c) {
        for (const KeyEvent& e : sim_->window())
            if (e.event == c.event && (!c.has_value || e.value == c.event_value)) return;
        throw Failed{"expected " + describe_event(c.event, c.has_value ? std::optional(c.event_value) : std::nullopt) +
                     "; " + window_text()};
    }

    void expect_no_event(const Command& c) {
        for (const KeyEvent& e : sim_->window())
            if (c.event == 0 || e.event == c.event)
                throw Failed{"expected no " + (c.event ? describe_event(c.event) : "key event") + "; " + window_text()};
    }

    // Compared in the module's unit; told in the unit the line was written in.
    void expect_token(const Command& c) {
        double value = sim_->host().token(c.token);
        bool same = std::isnan(c.value) ? std::isnan(value) : std::fabs(value - c.value) <= c.tolerance;
        if (same) return;
        const std::string unit = c.unit.empty() ? "" : " " + c.unit;
        auto written = [&](double v) { return format_number(v / c.per_unit); };
        const NamedToken* named = named_token(c.token);
        throw Failed{"token " + std::to_string(c.token) + (named ? " (" + std::string(named->name) + ")" : "") +
                     " is " + written(value) + unit + ", not " + written(c.value) + unit +
                     (c.tolerance > 0 ? " within " + written(c.tolerance) : "")};
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
            for (const Placed& p : sim_->placed())
                if (std::find(gauges.begin(), gauges.end(), p.gauge) == gauges.end())
                    left_out += (left_out.empty() ? "" : ", ") + p.name;
            image = render_window(*options_.panel, gauges, options_.scale);
        } else if (c.gauge == "panel") {
            std::vector<PanelEntry> entries;
            for (const Placed& p : sim_->placed()) entries.push_back({p.name, p.gauge});
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
    std::unique_ptr<Simulation> sim_;
    const Command* action_ = nullptr;
    int pending_line_ = 0;
    int snapshots_ = 0;
    int skipped_ = 0;
};

}  // namespace

int run_script(const Script& script, const RunOptions& options, std::ostream& out, std::ostream& err) {
    return Runner(script, options, out, err).run();
}

}  // namespace bench
