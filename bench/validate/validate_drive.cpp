// The hostile drive: every callback, service and handler of a gauge run with
// token values a simulator should never send (NaN, infinities, huge and
// wrapped numbers) as well as ordinary ones, checking what comes back: texts
// NUL-terminated inside the 32-byte buffer and nothing written past it, lamp
// answers, key events only from the module's catalogue and in their pairs,
// handlers answering 0, no call of a PANELS word but the nine services, no
// write into the engine's words of the records, and no crash (the crash
// guard names the call). Each drive can keep a trace of what every call gave
// back, so that a second pass with the engine's working data in its words
// can be held against the first.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>

#include "bench/validate/validate_checks.h"
#include "host/working_words.h"
#include "module/tokens.h"

namespace validate {

namespace {

const double HOSTILE[] = {
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    1e300,
    -1e300,
    65537,
    -65537,
    2147483648.0,
    99999.9,
    -0.0,
    1.9,
    0,
    1,
};

// Every token the module is known to read; the drive adds any other token
// the module asks for through lookup_var.
const std::set<uint32_t> KNOWN_TOKENS = {
    TOKEN_VERTICAL_SPEED, TOKEN_ALTITUDE, TOKEN_BARO, TOKEN_AP_MASTER, TOKEN_AP_NAV,
    TOKEN_AP_HDG,         TOKEN_AP_ALT,   TOKEN_AP_ALT_REF, TOKEN_AP_GS, TOKEN_AP_APR,
    TOKEN_AP_REV,         TOKEN_AP_VS,    TOKEN_AP_VS_REF,  TOKEN_AP_FD, TOKEN_AP_GPSS,
};
std::set<uint32_t>& tokens() {
    static std::set<uint32_t> known = KNOWN_TOKENS;
    return known;
}

// A problem is told once per gauge, by the first check that meets it.
std::map<const GAUGEHDR*, std::set<std::string>>& reported() {
    static std::map<const GAUGEHDR*, std::set<std::string>> told;
    return told;
}

std::string number(double value) {
    if (std::isnan(value)) return "NaN";
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Every bit of a double, for traces.
std::string exact(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[24];
    std::snprintf(text, sizeof text, "%08x%08x", unsigned(bits >> 32), unsigned(bits));
    return number(value) + "/" + text;
}

// The engine's words of every gauge as they stand, one entry a run.
struct EngineWords {
    struct Run {
        std::string record;  // "the header of \"annunciator\"", "child 3 of ..."
        uint32_t word, words;
        std::string bytes;
    };
    std::vector<Run> runs;

    explicit EngineWords(panelhost::Host& host) {
        for (GAUGEHDR* header : host.gauge_table())
            panelhost::for_each_working_run(header, [&](const panelhost::WorkingRun& run) {
                std::string record = run.element < 0    ? "the header"
                                     : run.element == 0 ? "the face"
                                                        : "child " + std::to_string(run.element);
                runs.push_back({record + " of \"" + (header->name ? header->name : "?") + "\"", run.word, run.words,
                                std::string(static_cast<const char*>(run.at), run.bytes)});
            });
    }
    // The first word of each run that differs from `before`:
    // "word 40 of the header of \"annunciator\"".
    std::vector<std::string> changed_since(const EngineWords& before) const {
        std::vector<std::string> out;
        for (size_t r = 0; r < runs.size() && r < before.runs.size(); ++r) {
            const Run& now = runs[r];
            for (size_t b = 0; b < now.bytes.size() && b < before.runs[r].bytes.size(); ++b)
                if (now.bytes[b] != before.runs[r].bytes[b]) {
                    out.push_back("word " + std::to_string(now.word + b * now.words / now.bytes.size()) + " of " +
                                  now.record);
                    break;
                }
        }
        return out;
    }
};

// Room behind the host's 32 bytes, filled with a pattern, so that a write
// past the buffer shows.
constexpr size_t GUARD = 96;
constexpr unsigned char PATTERN = 0xA5;

class Driver {
public:
    Driver(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts, Group& group, Trace* trace)
        : host_(host), header_(header), facts_(facts), group_(group), trace_(trace), children_(children_of(header)),
          areas_(child_areas(header)), reported_(reported()[header]) {
        for (ELEMENT_HEADER* child : children_) {
            if (child->element_type == ELEMENT_TYPE_ICON)
                tokens().insert(reinterpret_cast<ELEMENT_ICON*>(child)->source.id);
            else if (child->element_type == ELEMENT_TYPE_STRING)
                for (const MODULE_VAR& source : reinterpret_cast<ELEMENT_STRING*>(child)->source)
                    if (source.id) tokens().insert(source.id);
        }
        tokens().erase(0);
    }

    // Every token at `value`.
    void set_all(double value) {
        for (uint32_t token : tokens()) host_.set_token(token, value);
        situation_ = "with every token at " + number(value);
        ordinary_ = value == 0.0 || value == 1.0;
    }
    // One token at `value`, the others 0.
    void set_one(uint32_t token, double value) {
        for (uint32_t other : tokens()) host_.set_token(other, 0.0);
        host_.set_token(token, value);
        situation_ = "with token " + std::to_string(token) + " at " + number(value) + " and the others 0";
        ordinary_ = value == 0.0 || value == 1.0;
    }

    void service(int32_t id) {
        if (!header_->service_callback) return;
        crash_context(facts_.name, group_.name.c_str(), "service callback with id %d %s", id, situation_.c_str());
        std::string what = "service callback with id " + std::to_string(id);
        bool completed = call(what, "service", [&] { header_->service_callback(header_, id, 0); });
        clear_crash_context();
        after("service id " + std::to_string(id), completed ? "done" : "ended by a trap");
    }

    // One panel cycle as the host runs it, with every child checked.
    void cycle() {
        service(SERVICE_UPDATE);
        for (size_t i = 0; i < children_.size(); ++i) {
            ELEMENT_HEADER* child = children_[i];
            if (child->element_type == ELEMENT_TYPE_ICON)
                icon(i, reinterpret_cast<ELEMENT_ICON*>(child));
            else if (child->element_type == ELEMENT_TYPE_STRING)
                string(i, reinterpret_cast<ELEMENT_STRING*>(child));
        }
        service(SERVICE_DRAW);
    }

    // With every token 0, each read-out's text fits its character count.
    void check_rest_texts() {
        set_all(0.0);
        service(SERVICE_UPDATE);
        for (size_t i = 0; i < children_.size(); ++i) {
            if (children_[i]->element_type != ELEMENT_TYPE_STRING) continue;
            auto* s = reinterpret_cast<ELEMENT_STRING*>(children_[i]);
            std::string text = string(i, s);
            if (text.size() > s->char_count)
                once(who(i) + "rest", who(i) + ": text \"" + text + "\" with every token 0 is longer than its character count " +
                                          std::to_string(s->char_count));
        }
        service(SERVICE_DRAW);
    }

    // Ids other than install, update and draw are ignored: nothing is sent,
    // looked up or played.
    void check_other_service_ids() {
        if (!header_->service_callback) return;
        set_all(1.0);
        size_t sounds = sound_calls();
        host_.clear_logs();
        for (int32_t id : {0, 1, 3, 4, 5, 7, 8, 9, 11, -1, -2, INT_MIN, INT_MAX}) {
            crash_context(facts_.name, group_.name.c_str(), "service callback with id %d", id);
            bool completed = call("service callback with id " + std::to_string(id), "service",
                                  [&] { header_->service_callback(header_, id, 0xFFFFFFFFu); });
            clear_crash_context();
            if (!host_.events().empty() || !host_.lookups().empty() || sound_calls() != sounds)
                once("service" + std::to_string(id), "the service callback acts on id " + std::to_string(id) +
                                                          "; it ignores every id but 2, 6 and 10");
            sounds = sound_calls();
            after("service id " + std::to_string(id), completed ? "done" : "ended by a trap");
        }
    }

    // A left click at a face point, as the host dispatches it: the first
    // child area holding the point acts. An area's own key event is sent by
    // the host without module code; a handler is called.
    void click(int x, int y, bool and_cycle) {
        for (size_t i = 0; i < areas_.size(); ++i) {
            MOUSERECT* area = areas_[i];
            // In 64 bits: the rectangle is the module's, whatever its values.
            if (x < area->x || x >= int64_t(area->x) + area->width || y < area->y ||
                y >= int64_t(area->y) + area->height)
                continue;
            if (area->handler) {
                handler(i, x - area->x, y - area->y, area->mouse_flags);
                if (and_cycle) cycle();
            }
            return;
        }
    }

    // Each handler with a point and flags no host would give; the handler
    // reads neither and answers 0.
    void odd_handler_calls() {
        for (size_t i = 0; i < areas_.size(); ++i)
            if (areas_[i]->handler) {
                handler(i, -1, -1, 0xFFFFFFFFu);
                handler(i, INT_MAX, INT_MIN, 0);
            }
    }

    const std::vector<MOUSERECT*>& areas() const { return areas_; }
    size_t sound_calls() { return host_.sound().call_count(); }

private:
    std::string who(size_t child) const {
        const ELEMENT_HEADER* e = children_[child];
        std::string text = "child " + std::to_string(child + 1) + " (";
        text += e->element_type == ELEMENT_TYPE_ICON ? "icon, bitmap " + std::to_string(e->resource_id) : std::string("string");
        return text + ")";
    }

    void once(const std::string& key, const std::string& message) {
        if (reported_.insert(key).second) group_.fail(message);
    }

    // One call into the module, guarded: a trap call fails the group once
    // per word and caller (`key`). False when a trap ended the call.
    template <class Call>
    bool call(const std::string& what, const std::string& key, Call&& module_call) {
        bool completed = guarded(host_, what + " " + situation_, std::forward<Call>(module_call));
        report_traps(host_, group_, &reported_, key);
        return completed;
    }

    void icon(size_t i, ELEMENT_ICON* icon) {
        if (!icon->callback) return;  // reported by the tree check
        icon->source.value = host_.token(icon->source.id);
        crash_context(facts_.name, group_.name.c_str(), "%s callback %s", who(i).c_str(), situation_.c_str());
        double answer = -1.0;
        bool completed = call(who(i) + " callback", who(i), [&] { answer = icon->callback(icon); });
        clear_crash_context();
        after(who(i) + " callback", completed ? "answers " + exact(answer) : "ended by a trap");
        if (!completed) return;
        bool two_valued = answer == -1.0 || answer == 0.0;
        if (!two_valued && facts_.lamps_two_valued)
            once(who(i) + "answer", who(i) + ": answers " + number(answer) + " " + situation_ +
                                        "; this gauge's lamps answer only -1 (hidden) or 0 (shown)");
        else if (!two_valued && ordinary_)
            once(who(i) + "answer", who(i) + ": answers " + number(answer) + " " + situation_ +
                                        "; a lamp answers -1 (hidden) or 0 (shown)");
    }

    std::string string(size_t i, ELEMENT_STRING* string) {
        if (!string->callback) return "";
        for (MODULE_VAR& source : string->source)
            if (source.id) source.value = host_.token(source.id);
        unsigned char buffer[MODULE_TEXT_BUFFER_SIZE + GUARD];
        std::memset(buffer, PATTERN, sizeof buffer);
        string->text = reinterpret_cast<char*>(buffer);
        crash_context(facts_.name, group_.name.c_str(), "%s callback %s", who(i).c_str(), situation_.c_str());
        double result = 0.0;
        bool completed = call(who(i) + " callback", who(i), [&] { result = string->callback(string); });
        clear_crash_context();
        string->text = nullptr;
        after(who(i) + " callback",
              completed ? "returns " + exact(result) + ", " + buffer_text(buffer) : "ended by a trap");
        if (!completed) return "";

        double source = string->source[0].value;
        if (!(result == source || (std::isnan(result) && std::isnan(source))))
            once(who(i) + "result", who(i) + ": returns " + number(result) + " " + situation_ +
                                        "; a read-out returns its first source value unchanged");
        for (size_t at = MODULE_TEXT_BUFFER_SIZE; at < sizeof buffer; ++at)
            if (buffer[at] != PATTERN) {
                once(who(i) + "overrun", who(i) + ": wrote past the 32-byte text buffer (byte " + std::to_string(at) +
                                             " changed) " + situation_);
                break;
            }
        const void* end = std::memchr(buffer, 0, MODULE_TEXT_BUFFER_SIZE);
        if (!end) {
            once(who(i) + "unterminated", who(i) + ": text is not NUL-terminated inside the 32-byte buffer " + situation_);
            return "";
        }
        std::string text(reinterpret_cast<char*>(buffer));
        for (unsigned char c : text)
            if (c < 0x20 || c > 0x7E) {
                once(who(i) + "unprintable", who(i) + ": text holds the unprintable byte " + std::to_string(c) + " " + situation_);
                break;
            }
        return text;
    }

    // For a trace: the text up to its NUL inside the 32 bytes (bytes outside
    // the printable ones by number), and whether anything lies past them.
    static std::string buffer_text(const unsigned char (&buffer)[MODULE_TEXT_BUFFER_SIZE + GUARD]) {
        std::string text = "text \"";
        size_t at = 0;
        for (; at < MODULE_TEXT_BUFFER_SIZE && buffer[at]; ++at)
            text += buffer[at] >= 0x20 && buffer[at] <= 0x7E && buffer[at] != '\\' ? std::string(1, char(buffer[at]))
                                                                                  : "\\" + std::to_string(buffer[at]);
        text += at < MODULE_TEXT_BUFFER_SIZE ? "\"" : "\" unterminated";
        for (size_t past = MODULE_TEXT_BUFFER_SIZE; past < sizeof buffer; ++past)
            if (buffer[past] != PATTERN) return text + ", written past";
        return text;
    }

    void handler(size_t i, int x, int y, uint32_t flags) {
        MOUSERECT* area = areas_[i];
        std::string what = "the handler of mouse record " + std::to_string(area - header_->mouse_rect + 1) + " (child at " +
                           std::to_string(area->x) + "," + std::to_string(area->y) + ")";
        PIXPOINT point{x, y};
        crash_context(facts_.name, group_.name.c_str(), "%s clicked at %d,%d %s", what.c_str(), x, y, situation_.c_str());
        int32_t result = 0;
        bool completed = call(what, "handler" + std::to_string(i), [&] { result = area->handler(&point, flags); });
        clear_crash_context();
        if (completed && result != 0)
            once("return" + std::to_string(i), what + ": returns " + std::to_string(result) + "; a mouse handler returns 0");
        after(what, "at " + std::to_string(x) + "," + std::to_string(y) +
                        (completed ? " returns " + std::to_string(result) : " ended by a trap"));
    }

    // What a unit of module code sent and looked up: key events from the
    // catalogue only, the engage and release pairs whole and in order, the
    // value-less events with 0; tokens looked up join the drive. The trace
    // takes the call, its `outcome` and all of that.
    void after(const std::string& what, const std::string& outcome) {
        if (trace_) trace_->push_back(traced(what, outcome));
        const auto& events = host_.events();
        for (size_t k = 0; k < events.size(); ++k) {
            uint32_t e = events[k].event;
            if (!in_catalogue(e)) {
                once("event" + std::to_string(e), what + " sent key event " + std::to_string(e) + " " + situation_ +
                                                      "; it is not one of the module's key events");
                continue;
            }
            bool first_of_pair = e == evt_vertical_engage_a || e == evt_vertical_release_a;
            bool second_of_pair = e == evt_vertical_engage_b || e == evt_vertical_release_b;
            uint32_t partner = e == evt_vertical_engage_a ? evt_vertical_engage_b
                               : e == evt_vertical_release_a ? evt_vertical_release_b
                               : e == evt_vertical_engage_b ? evt_vertical_engage_a
                                                            : evt_vertical_release_a;
            if (first_of_pair && (k + 1 >= events.size() || events[k + 1].event != partner))
                once("pair" + std::to_string(e), what + " sent " + event_text(e) + " without " + event_text(partner) +
                                                     " right after it");
            if (second_of_pair && (k == 0 || events[k - 1].event != partner))
                once("pair" + std::to_string(e), what + " sent " + event_text(e) + " without " + event_text(partner) +
                                                     " right before it");
            bool valueless = first_of_pair || second_of_pair || e == evt_vs_step_up || e == evt_vs_step_down;
            if (valueless && events[k].value != 0)
                once("value" + std::to_string(e), what + " sent " + event_text(e) + " with value " +
                                                      std::to_string(events[k].value) + "; it is sent with 0");
        }
        for (const panelhost::Lookup& lookup : host_.lookups())
            if (lookup.token && tokens().insert(lookup.token).second) host_.set_token(lookup.token, 0.0);
        host_.clear_logs();
    }

    // "CALL SITUATION => OUTCOME; events E=V...; lookups RECORD:TOKEN=VALUE...; sound N",
    // the lookup's record by its place in the module, which is the same in
    // every load of it.
    std::string traced(const std::string& what, const std::string& outcome) {
        std::string line = what + " " + situation_ + " => " + outcome + "; events";
        for (const panelhost::KeyEvent& e : host_.events())
            line += " " + std::to_string(e.event) + "=" + std::to_string(e.value);
        line += "; lookups";
        const char* base = reinterpret_cast<const char*>(host_.linkage());
        for (const panelhost::Lookup& l : host_.lookups())
            line += " " + std::to_string(reinterpret_cast<const char*>(l.record) - base) + ":" +
                    std::to_string(l.token) + "=" + exact(l.value);
        return line + "; sound " + std::to_string(sound_calls());
    }

    panelhost::Host& host_;
    GAUGEHDR* header_;
    const GaugeFacts& facts_;
    Group& group_;
    Trace* trace_;
    std::vector<ELEMENT_HEADER*> children_;
    std::vector<MOUSERECT*> areas_;
    std::set<std::string>& reported_;
    std::string situation_ = "at rest";
    bool ordinary_ = true;
};

}  // namespace

void reset_drive() {
    tokens() = KNOWN_TOKENS;
    reported().clear();
}

namespace {

// With the host's working-words mode off, nobody but the module can have
// changed the engine's words during a drive.
void check_engine_words_untouched(panelhost::Host& host, const EngineWords& before, Group& group) {
    if (host.scribbles_working_words()) return;
    for (const std::string& where : EngineWords(host).changed_since(before))
        group.fail("the drive changed " + where + "; that word is the engine's, and the module never writes it");
}

}  // namespace

Group check_callbacks(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts, Trace* trace,
                      const char* name) {
    Group group{facts.name, name};
    Driver drive(host, header, facts, group, trace);
    EngineWords engine_words(host);
    host.clear_logs();
    size_t sounds = drive.sound_calls();

    drive.service(SERVICE_INSTALL);
    drive.check_rest_texts();
    for (double value : HOSTILE) {
        drive.set_all(value);
        drive.cycle();
    }
    std::set<uint32_t> all(tokens().begin(), tokens().end());
    for (uint32_t token : all)
        for (double value : HOSTILE) {
            drive.set_one(token, value);
            drive.cycle();
        }
    drive.check_other_service_ids();

    // Only "altpreselector" carries the chime.
    if (std::string(facts.name) != "altpreselector" && drive.sound_calls() != sounds)
        group.fail("the gauge's callbacks used the sound library; only \"altpreselector\" sounds the chime");
    check_engine_words_untouched(host, engine_words, group);
    for (uint32_t token : tokens()) host.set_token(token, 0.0);
    return group;
}

Group check_clicks(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts, Trace* trace, const char* name) {
    Group group{facts.name, name};
    Driver drive(host, header, facts, group, trace);
    EngineWords engine_words(host);
    int face_w = 0, face_h = 0;
    bitmap_size(facts.face_id, face_w, face_h);
    host.clear_logs();
    size_t sounds = drive.sound_calls();

    for (double value : HOSTILE) {
        drive.set_all(value);
        // Every area at its centre and its four corners, a panel cycle after
        // each click.
        for (MOUSERECT* area : drive.areas()) {
            // Sums in 64 bits, brought back into the points a face can have:
            // the rectangle is the module's, whatever its values.
            auto point = [](int64_t at) { return int(std::clamp<int64_t>(at, INT_MIN, INT_MAX)); };
            int right = point(int64_t(area->x) + area->width - 1), bottom = point(int64_t(area->y) + area->height - 1);
            drive.click(point(area->x + int64_t(area->width) / 2), point(area->y + int64_t(area->height) / 2), true);
            drive.click(area->x, area->y, true);
            drive.click(right, area->y, false);
            drive.click(area->x, bottom, false);
            drive.click(right, bottom, true);
        }
        drive.odd_handler_calls();
        // A grid over the whole face, between and across the areas.
        for (int y = 0; y < face_h; y += 3)
            for (int x = (y / 3) % 2; x < face_w; x += 4) drive.click(x, y, x % 16 == 0);
        drive.cycle();
    }
    if (std::string(facts.name) != "altpreselector" && drive.sound_calls() != sounds)
        group.fail("clicking the gauge used the sound library; only \"altpreselector\" sounds the chime");
    check_engine_words_untouched(host, engine_words, group);
    for (uint32_t token : tokens()) host.set_token(token, 0.0);
    return group;
}

Group check_working(const GaugeFacts& facts, const Trace& clean, const std::set<std::string>& clean_problems,
                    const Trace& working, const std::vector<std::string>& working_problems) {
    Group group{facts.name, "working"};
    for (const std::string& problem : working_problems)
        if (!clean_problems.count(problem)) group.fail("with the engine's working data in its words: " + problem);
    // The two drives make the same calls; the first few that gave something
    // else are told whole, the rest counted.
    constexpr size_t TOLD = 3;
    size_t differing = 0;
    for (size_t i = 0; i < clean.size() && i < working.size(); ++i) {
        if (clean[i] == working[i]) continue;
        if (++differing > TOLD) continue;
        size_t cut = working[i].find(" => ");
        std::string call = working[i].substr(0, cut);
        std::string got = cut == std::string::npos ? working[i] : working[i].substr(cut + 4);
        size_t clean_cut = clean[i].find(" => ");
        std::string want = clean_cut == std::string::npos ? clean[i] : clean[i].substr(clean_cut + 4);
        group.fail(call + " gives another result with the engine's working data in its words: " + got +
                   " (with those words 0: " + want + "); the module never reads the engine's words");
    }
    if (differing > TOLD)
        group.fail("... and " + std::to_string(differing - TOLD) + " more calls of " + std::to_string(clean.size()) +
                   " gave another result");
    if (clean.size() != working.size())
        group.fail("the drive made " + std::to_string(working.size()) +
                   " calls with the engine's working data in its words, " + std::to_string(clean.size()) +
                   " with those words 0");
    if (group.passed())
        group.note = std::to_string(working.size()) + " calls, the same results with working data in the engine's words";
    return group;
}

}  // namespace validate
