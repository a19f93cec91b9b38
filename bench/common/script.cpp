#include "bench/common/script.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "bench/common/aircraft.h"
#include "bench/common/file_read.h"
#include "bench/common/message.h"

namespace bench {

int whole_number(const std::string& text, int low, int high, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    const bool sign = low < 0 && text[0] == '-' && text.size() > 1 && text[1] >= '0' && text[1] <= '9';
    if (text.empty() || *end || errno || value < low || value > high || !((text[0] >= '0' && text[0] <= '9') || sign))
        throw BenchError(what + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not \"" + text + "\"");
    return int(value);
}

std::vector<Word> split_words(const std::string& line) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Word word{.quoted = true};
            for (++i;; ++i) {
                if (i >= line.size()) throw std::invalid_argument("a quoted text has no closing quote");
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) ++i;
                word.text += line[i];
            }
            ++i;
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#')
                throw std::invalid_argument("a quoted text runs into the next word");
            words.push_back(std::move(word));
        } else {
            Word word;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                if (line[i] == '"') throw std::invalid_argument("a quote in the middle of a word");
                word.text += line[i++];
            }
            words.push_back(std::move(word));
        }
    }
    return words;
}

namespace {

struct PlacedName {
    std::string gauge_name;
    const Instrument* instrument;
};

class Parser {
public:
    Parser(const std::string& file, const PanelConfig* panel) : file_(file), panel_(panel) {
        if (!panel) return;
        for (const PanelPlacement& p : panel->gauges)
            if (p.ours()) {
                placed_[p.name] = {p.gauge, instrument_of(p.gauge)};
                placed_line_[p.name] = 0;
            }
    }

    Command parse(const std::vector<Word>& words, int line, const std::string& source) {
        line_ = line;
        words_ = &words;
        Command c;
        c.line = line;
        c.source = source;
        const std::string& verb = word(0, "a command");
        if (verb == "place") {
            c.op = Op::Place;
            c.gauge_name = word(1, "a gauge name");
            c.instrument = instrument_of(c.gauge_name);
            if (!c.instrument)
                fail("unknown gauge \"" + c.gauge_name + "\" (the module's gauges: " + join(gauge_names()) + ")");
            c.gauge = c.gauge_name;
            if (words.size() > 2) {
                if (words[2].text != "as" || words[2].quoted)
                    fail("expected `as NAME` after the gauge name, found \"" + words[2].text + "\"");
                c.gauge = word(3, "a name after `as`");
                end(4);
            }
            if (c.gauge == "panel") fail("\"panel\" names the whole panel; give the gauge another name");
            auto found = placed_.find(c.gauge);
            if (found != placed_.end() && placed_line_[c.gauge] == 0 && words.size() == 2 &&
                found->second.gauge_name == c.gauge_name) {
                // Placed by the panel configuration: this line takes it as it is.
                c.on_panel = true;
                placed_line_[c.gauge] = line;
                return c;
            }
            if (found != placed_.end()) {
                const int first = placed_line_[c.gauge];
                fail("\"" + c.gauge + "\" is already on the panel (" +
                     (first ? "line " + std::to_string(first) : "placed by " + panel_->source) +
                     "); place another with `place " + c.gauge_name + " as NAME`");
            }
            placed_[c.gauge] = {c.gauge_name, c.instrument};
            placed_line_[c.gauge] = line;
        } else if (verb == "set") {
            c.op = Op::Set;
            token(c, 1);
            c.value = number(2, "a token value") * c.per_unit;
            end(3);
        } else if (verb == "click") {
            c.op = Op::Click;
            gauge(c, 1);
            const std::string& where = word(2, "a control name or a point X,Y");
            if (!point(where, c.x, c.y)) {
                c.control = find_control(*c.instrument, where);
                if (c.control < 0) {
                    if (c.instrument->controls.empty())
                        fail("\"" + c.gauge + "\" has no controls; click it at a point X,Y");
                    fail("unknown control \"" + where + "\" on \"" + c.gauge +
                         "\" (its controls: " + control_list(*c.instrument) + ")");
                }
            }
            if (words.size() > 3) {
                const std::string& times = words[3].text;
                if (times.size() < 2 || times[0] != 'x') fail("expected a repeat count xN, found \"" + times + "\"");
                c.repeat = int(integer(times.substr(1), 1, 1000, "the repeat count"));
                end(4);
            }
        } else if (verb == "cycles") {
            c.op = Op::Cycles;
            c.count = integer(word(1, "a number of cycles"), 0, MAX_CYCLES, "the number of cycles");
            end(2);
        } else if (verb == "fly") {
            c.op = Op::Fly;
            double seconds = number(1, "a number of seconds");
            constexpr int PER_SECOND = Aircraft::CYCLES_PER_SECOND;
            if (!(seconds >= 0 && seconds <= double(MAX_CYCLES) / PER_SECOND))
                fail("the flight time must be between 0 and " + std::to_string(MAX_CYCLES / PER_SECOND) + " seconds");
            c.value = seconds;
            c.count = std::llround(seconds * PER_SECOND);
            end(2);
        } else if (verb == "expect") {
            expect(c);
        } else if (verb == "snapshot") {
            c.op = Op::Snapshot;
            c.path = word(1, "a file name ending in .png");
            check_snapshot_path(c.path);
            c.gauge = "panel";
            if (words.size() > 2) {
                if (words[2].text != "panel") gauge(c, 2);
                end(3);
            }
            if (placed_.empty() && !panel_) fail("nothing is on the panel yet to take a snapshot of");
        } else if (verb == "sound") {
            c.op = Op::SoundNext;
            if (word(1, "`next`") != "next") fail("expected `sound next load|play RESULT`");
            const std::string& op = word(2, "load or play");
            if (op == "load")
                c.sound_op = 1;
            else if (op == "play")
                c.sound_op = 7;
            else
                fail("expected load or play after `sound next`, found \"" + op + "\"");
            c.sound_result = int32_t(integer(word(3, "a result"), INT32_MIN, INT32_MAX, "the result"));
            end(4);
        } else if (verb == "note") {
            c.op = Op::Note;
            for (size_t i = 1; i < words.size(); ++i) c.text += (i > 1 ? " " : "") + words[i].text;
        } else {
            fail("unknown command \"" + verb +
                 "\" (commands: place, set, click, cycles, fly, expect, snapshot, sound, note)");
        }
        return c;
    }

private:
    static constexpr int64_t MAX_CYCLES = int64_t(Aircraft::CYCLES_PER_SECOND) * 86400;  // one simulated day

    [[noreturn]] void fail(const std::string& what) const {
        throw BenchError(file_ + ":" + std::to_string(line_) + ": " + cut_quoted(what));
    }

    const std::string& word(size_t i, const char* what) const {
        if (i >= words_->size()) fail(std::string("missing ") + what + " after \"" + (*words_)[i - 1].text + "\"");
        return (*words_)[i].text;
    }

    void end(size_t count) const {
        if (words_->size() > count) fail("unexpected \"" + (*words_)[count].text + "\" at the end of the line");
    }

    int64_t integer(const std::string& text, int64_t low, int64_t high, const char* what) const {
        int64_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || text.empty())
            fail(std::string(what) + " \"" + text + "\" is not a whole number");
        if (value < low || value > high)
            fail(std::string(what) + " " + text + " is out of range (" + std::to_string(low) + " to " +
                 std::to_string(high) + ")");
        return value;
    }

    double number(size_t i, const char* what) const {
        const std::string& text = word(i, what);
        char* end = nullptr;
        errno = 0;
        double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || std::isspace(static_cast<unsigned char>(text[0])))
            fail(std::string(what) + " \"" + text + "\" is not a number");
        return value;
    }

    void token(Command& c, size_t i) const {
        const std::string& text = word(i, "a token name or number");
        std::optional<TokenRef> t = find_token_ref(text);
        if (!t) fail("unknown token \"" + text + "\" (the module reads: " + token_list() + ")");
        c.token = t->token;
        c.per_unit = t->per_unit;
        c.unit = t->unit;
    }

    uint32_t event(size_t i) const {
        const std::string& text = word(i, "an event name or number");
        std::optional<uint32_t> e = find_event(text);
        if (!e) fail("unknown key event \"" + text + "\" (the module sends: " + event_list() + ")");
        return *e;
    }

    void gauge(Command& c, size_t i) const {
        c.gauge = word(i, "a gauge name");
        auto found = placed_.find(c.gauge);
        if (found == placed_.end()) {
            std::vector<std::string> names;
            for (const auto& [name, _] : placed_) names.push_back(name);
            if (instrument_of(c.gauge))
                fail("gauge \"" + c.gauge + "\" is not on the panel yet: add `place " + c.gauge + "` before this line");
            fail("unknown gauge \"" + c.gauge + "\" (on the panel: " + join(names) + ")");
        }
        c.gauge_name = found->second.gauge_name;
        c.instrument = found->second.instrument;
    }

    static bool point(const std::string& text, int& x, int& y) {
        size_t comma = text.find(',');
        if (comma == std::string::npos) return false;
        auto whole = [](std::string_view s, int& out) {
            auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
            return error == std::errc() && end == s.data() + s.size() && !s.empty() && out > -100000 && out < 100000;
        };
        std::string_view all(text);
        return whole(all.substr(0, comma), x) && whole(all.substr(comma + 1), y);
    }

    void check_snapshot_path(const std::string& path) const {
        if (path.size() < 5 || path.compare(path.size() - 4, 4, ".png") != 0)
            fail("snapshot file \"" + path + "\" must end in .png");
        if (path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos)
            fail("snapshot file \"" + path + "\" must be a path inside the output folder, not an absolute one");
        std::stringstream parts(path);
        for (std::string part; std::getline(parts, part, '/');)
            if (part == ".." || part.empty() || part.find('\\') != std::string::npos)
                fail("snapshot file \"" + path +
                     "\" must stay inside the output folder (no '..', '\\' or empty parts)");
    }

    void expect(Command& c) {
        const std::string& what = word(1, "lamp, text, event, no event, chimes or token");
        const std::vector<Word>& w = *words_;
        if (what == "lamp") {
            c.op = Op::ExpectLamp;
            gauge(c, 2);
            const std::string& name = word(3, "a legend name");
            c.legend = find_legend(*c.instrument, name);
            if (c.legend < 0)
                fail("unknown legend \"" + name + "\" on \"" + c.gauge +
                     "\" (its legends: " + legend_list(*c.instrument) + ")");
            const std::string& state = word(4, "on or off");
            if (state != "on" && state != "off") fail("expected on or off, found \"" + state + "\"");
            c.on = state == "on";
            end(5);
        } else if (what == "text") {
            c.op = Op::ExpectText;
            gauge(c, 2);
            const std::string& name = word(3, "a read-out name");
            c.readout = find_readout(*c.instrument, name);
            if (c.readout < 0)
                fail("unknown read-out \"" + name + "\" on \"" + c.gauge +
                     "\" (its read-outs: " + readout_list(*c.instrument) + ")");
            word(4, "the expected text in double quotes");
            if (!w[4].quoted) fail("the expected text must be in double quotes, as in \"12.5\"");
            c.text = w[4].text;
            end(5);
        } else if (what == "event") {
            c.op = Op::ExpectEvent;
            c.event = event(2);
            if (w.size() > 3) {
                c.has_value = true;
                c.event_value = int32_t(integer(w[3].text, INT32_MIN, INT32_MAX, "the event value"));
                end(4);
            }
        } else if (what == "no") {
            if (word(2, "`event`") != "event") fail("expected `expect no event [EVENT]`");
            c.op = Op::ExpectNoEvent;
            if (w.size() > 3) c.event = event(3);
            end(4);
        } else if (what == "chimes") {
            c.op = Op::ExpectChimes;
            c.count = integer(word(2, "a number of chimes"), 0, 1000000, "the number of chimes");
            end(3);
        } else if (what == "token") {
            c.op = Op::ExpectToken;
            token(c, 2);
            c.value = number(3, "a token value") * c.per_unit;
            if (w.size() > 4) {
                if (w[4].text != "within") fail("expected `within TOLERANCE`, found \"" + w[4].text + "\"");
                c.tolerance = number(5, "a tolerance");
                if (!(c.tolerance >= 0)) fail("the tolerance must be 0 or more");
                c.tolerance *= c.per_unit;
                end(6);
            }
        } else {
            fail("unknown expectation \"" + what + "\" (expect lamp, text, event, no event, chimes or token)");
        }
    }

    std::string file_;
    const PanelConfig* panel_;
    int line_ = 0;
    const std::vector<Word>* words_ = nullptr;
    std::map<std::string, PlacedName> placed_;
    std::map<std::string, int> placed_line_;
};

}  // namespace

Script parse_script(const std::string& text, const std::string& file, const PanelConfig* panel) {
    Script script{.file = file};
    Parser parser(file, panel);
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.find('\0') != std::string::npos)
            throw BenchError(file + ":" + std::to_string(number) + ": the line holds a NUL byte; is this a text file?");
        std::vector<Word> words;
        try {
            words = split_words(line);
        } catch (const std::invalid_argument& e) {
            throw BenchError(file + ":" + std::to_string(number) + ": " + e.what());
        }
        if (words.empty()) continue;
        // The command as the timeline shows it: its words, without a comment.
        std::string shown;
        for (const Word& w : words) {
            if (!shown.empty()) shown += ' ';
            shown += w.quoted ? "\"" + w.text + "\"" : w.text;
        }
        script.commands.push_back(parser.parse(words, number, shown));
    }
    if (script.commands.empty()) throw BenchError(file + ": the script holds no commands");
    return script;
}

Script load_script(const std::string& path, const PanelConfig* panel) {
    std::string text;
    try {
        text = read_file_bounded(path, PANEL_FILE_CAP, "the script file");
    } catch (const FileReadError& e) {
        throw BenchError(e.what());
    }
    return parse_script(text, path, panel);
}

}  // namespace bench
