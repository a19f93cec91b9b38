#include "bench/common/panel_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "bench/common/catalogue.h"
#include "bench/common/file_write.h"

namespace bench {

namespace {

constexpr std::string_view BOM = "\xEF\xBB\xBF";

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// A line of the file: its bytes from `start`, `length` of them without the
// '\n' that ends it (a '\r' before it is counted in `length`).
struct Line {
    size_t start = 0, length = 0;
    bool ended = false;  // a '\n' follows
};

// The lines as the reader numbers them: line 1 starts after a byte-order mark.
std::vector<Line> lines_of(std::string_view text) {
    std::vector<Line> lines;
    size_t start = text.substr(0, 3) == BOM ? 3 : 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back({start, text.size() - start, false});
            return lines;
        }
        lines.push_back({start, end - start, true});
        start = end + 1;
    }
}

// The file's line end: that of its first line, "\n" when it has none.
std::string line_end_of(std::string_view text) {
    const size_t end = text.find('\n');
    return end != std::string_view::npos && end > 0 && text[end - 1] == '\r' ? "\r\n" : "\n";
}

std::string numbers(const GaugePlace& p, const std::string& separator) {
    std::string out = separator + std::to_string(p.x) + separator + std::to_string(p.y) + separator +
                      std::to_string(p.width);
    if (p.height) out += separator + std::to_string(p.height);
    return out;
}

// `raw` (a gauge line without its line end) with its place changed. What
// lies before the value, the gauge as named there, and what follows the
// last field (blanks, a comment, a '\r') are kept; so is each number's
// field as wide as it was, where the new number fits, so that columns a
// designer lined up stay lined up. A height the line gains is written with
// the line's own separator; one it loses is dropped with its comma.
std::string moved_line(std::string_view raw, const GaugePlace& place) {
    const size_t equals = raw.find('=');
    size_t comment = std::min(raw.find("//"), raw.find(';'));
    if (comment == std::string_view::npos) comment = raw.size();
    size_t value_start = equals + 1;
    while (value_start < comment && blank(raw[value_start])) ++value_start;
    size_t value_end = comment;
    while (value_end > value_start && blank(raw[value_end - 1])) --value_end;
    const std::string_view value = raw.substr(value_start, value_end - value_start);
    const size_t named_end = std::min(value.find(','), value.size());

    std::vector<std::string_view> fields;  // each number's field between its commas
    for (size_t at = named_end; at < value.size();) {
        const size_t next = std::min(value.find(',', at + 1), value.size());
        fields.push_back(value.substr(at + 1, next - at - 1));
        at = next;
    }
    const bool spaced = std::any_of(fields.begin(), fields.end(), [](std::string_view f) { return !f.empty() && blank(f[0]); });
    const int wanted[] = {place.x, place.y, place.width, place.height};
    std::string out = std::string(raw.substr(0, value_start)) + std::string(value.substr(0, named_end));
    for (size_t i = 0; i < (place.height ? 4u : 3u); ++i) {
        const std::string number = std::to_string(wanted[i]);
        out += ',';
        if (i >= fields.size()) {
            out += (spaced ? " " : "") + number;
            continue;
        }
        const std::string_view field = fields[i];
        size_t lead = 0;
        while (lead < field.size() && blank(field[lead])) ++lead;
        size_t digits = lead;
        while (digits < field.size() && field[digits] >= '0' && field[digits] <= '9') ++digits;
        const size_t width = digits, old_digits = digits - lead;
        if (number.size() == old_digits) {
            out += std::string(field.substr(0, lead));
        } else {
            const size_t room = width > number.size() ? width - number.size() : 0;
            out += std::string(std::max(room, lead > 0 ? size_t(1) : size_t(0)), ' ');
        }
        out += number + std::string(field.substr(digits));
    }
    return out + std::string(raw.substr(value_end));
}

void check_place(const GaugePlace& p) {
    auto in_range = [](int value, int low) { return value >= low && value <= PANEL_MAX_UNITS; };
    if (!our_gauge(p.gauge))
        throw std::invalid_argument("unknown gauge \"" + p.gauge + "\" (gauges: " + join(gauge_names()) + ")");
    if (!in_range(p.x, 0) || !in_range(p.y, 0))
        throw std::invalid_argument("X and Y must be whole numbers from 0 to " + std::to_string(PANEL_MAX_UNITS));
    if (!in_range(p.width, 1) || (p.height != 0 && !in_range(p.height, 1)))
        throw std::invalid_argument("W and H must be whole numbers from 1 to " + std::to_string(PANEL_MAX_UNITS));
}

// The line's text without its line end.
std::string line_text(std::string_view text, const Line& line) {
    std::string raw(text.substr(line.start, line.length));
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    return raw;
}

// The gauge of this module on `line` of the window, or null.
const PanelPlacement* ours_on(const PanelConfig& config, int line) {
    for (const PanelPlacement& p : config.gauges)
        if (p.line == line) return p.ours() ? &p : nullptr;
    return nullptr;
}

// What was written must read back as placed.
void check_reads_back(const PlacedText& result, const std::string& file_name, int window, const GaugePlace& place) {
    const PanelConfig check = parse_panel_config(result.text, file_name, window);
    const PanelPlacement* found = ours_on(check, result.line);
    if (!found || found->gauge != place.gauge || found->x != place.x || found->y != place.y ||
        found->width != place.width || found->height != place.height)
        throw std::logic_error(file_name + ":" + std::to_string(result.line) +
                               ": the placed gauge line does not read back as placed");
}

PlacedText moved(std::string_view text, const std::string& file_name, int window, const PanelPlacement& existing,
                 GaugePlace place) {
    place.gauge = existing.gauge;
    check_place(place);
    const std::vector<Line> lines = lines_of(text);
    const Line& line = lines.at(size_t(existing.line - 1));
    const std::string changed = moved_line(text.substr(line.start, line.length), place);
    PlacedText result;
    result.text = std::string(text.substr(0, line.start)) + changed + std::string(text.substr(line.start + line.length));
    result.line = existing.line;
    result.entry = changed.empty() || changed.back() != '\r' ? changed : changed.substr(0, changed.size() - 1);
    check_reads_back(result, file_name, window, place);
    return result;
}

PlacedText added(std::string_view text, const std::string& file_name, int window, const PanelConfig& config,
                 GaugePlace place) {
    place.gauge = *our_gauge(place.gauge);
    if (config.next_gauge_number > 999999)
        throw PanelConfigError(file_name + ":" + std::to_string(config.last_gauge_line) +
                               ": no gaugeNN number is left after this one");
    char key[32];
    std::snprintf(key, sizeof key, "gauge%02ld", config.next_gauge_number);
    PlacedText result;
    result.entry = std::string(key) + "=" + MODULE_FILE_NAME + "!" + place.gauge + numbers(place, ", ");
    const int after = config.last_gauge_line ? config.last_gauge_line : config.section_last_line;
    const std::vector<Line> lines = lines_of(text);
    const Line& line = lines.at(size_t(after - 1));
    const std::string end = line_end_of(text);
    if (line.ended) {
        const size_t at = line.start + line.length + 1;
        result.text = std::string(text.substr(0, at)) + result.entry + end + std::string(text.substr(at));
    } else {
        // The file's last line has no line end: the new one goes after it, and ends the file the same way.
        result.text = std::string(text) + end + result.entry;
    }
    result.line = after + 1;
    result.added = true;
    check_reads_back(result, file_name, window, place);
    return result;
}

const PanelPlacement& ours_on_line(const PanelConfig& config, const std::string& file_name, int line) {
    const PanelPlacement* found = ours_on(config, line);
    if (!found)
        throw std::invalid_argument("line " + std::to_string(line) + " of " + file_name +
                                    " is not a gauge of this module in [" + config.section + "]");
    return *found;
}

}  // namespace

PlacedText place_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& wanted) {
    check_place(wanted);
    const PanelConfig config = parse_panel_config(text, file_name, window);
    const std::string gauge = *our_gauge(wanted.gauge);
    for (const PanelPlacement& p : config.gauges)
        if (p.ours() && p.gauge == gauge) return moved(text, file_name, window, p, wanted);
    return added(text, file_name, window, config, wanted);
}

PlacedText move_gauge(std::string_view text, const std::string& file_name, int window, int line,
                      const GaugePlace& place) {
    const PanelConfig config = parse_panel_config(text, file_name, window);
    return moved(text, file_name, window, ours_on_line(config, file_name, line), place);
}

PlacedText add_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& place) {
    check_place(place);
    return added(text, file_name, window, parse_panel_config(text, file_name, window), place);
}

PlacedText remove_gauge(std::string_view text, const std::string& file_name, int window, int line) {
    const PanelConfig config = parse_panel_config(text, file_name, window);
    const PanelPlacement& gone = ours_on_line(config, file_name, line);
    const std::vector<Line> lines = lines_of(text);
    const Line& at = lines.at(size_t(line - 1));
    size_t from = at.start, to = at.start + at.length + (at.ended ? 1 : 0);
    if (!at.ended && line > 1) {
        // The last line, without a line end: the one before it gives up its own.
        const Line& before = lines[size_t(line - 2)];
        from = before.start + before.length;
        if (from > before.start && text[from - 1] == '\r') --from;
    }
    PlacedText result;
    result.text = std::string(text.substr(0, from)) + std::string(text.substr(to));
    result.line = line;
    result.entry = line_text(text, at);
    // What is left must read, with that gauge gone and every other in its place.
    const PanelConfig check = parse_panel_config(result.text, file_name, window);
    bool same = check.gauges.size() + 1 == config.gauges.size();
    for (size_t i = 0, j = 0; same && i < config.gauges.size(); ++i) {
        const PanelPlacement& p = config.gauges[i];
        if (&p == &gone) continue;
        const PanelPlacement& q = check.gauges[j++];
        same = p.key == q.key && p.gauge == q.gauge && p.x == q.x && p.y == q.y && p.width == q.width &&
               p.height == q.height;
    }
    if (!same) throw std::logic_error(file_name + ":" + std::to_string(line) + ": the gauge line was not taken out cleanly");
    return result;
}

std::vector<GaugeLineChange> gauge_line_changes(std::string_view original, std::string_view current,
                                                const std::string& file_name) {
    auto lowered = [](std::string text) {
        for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    // The window numbers of both versions, in the order of the current one.
    std::vector<PanelWindow> windows;
    for (std::string_view text : {current, original}) {
        try {
            for (const PanelWindow& w : parse_panel_config(text, file_name).windows)
                if (w.number >= 0 && std::none_of(windows.begin(), windows.end(),
                                                  [&](const PanelWindow& o) { return o.number == w.number; }))
                    windows.push_back(w);
        } catch (const PanelConfigError&) {
        }
    }
    const std::vector<Line> now_lines = lines_of(current), was_lines = lines_of(original);
    std::vector<GaugeLineChange> changes;
    for (const PanelWindow& window : windows) {
        PanelConfig now, was;
        try {
            now = parse_panel_config(current, file_name, window.number);
            was = parse_panel_config(original, file_name, window.number);
        } catch (const PanelConfigError&) {
            continue;
        }
        std::vector<bool> matched(was.gauges.size(), false);
        for (const PanelPlacement& p : now.gauges) {
            const std::string text = line_text(current, now_lines.at(size_t(p.line - 1)));
            size_t i = 0;
            while (i < was.gauges.size() && (matched[i] || lowered(was.gauges[i].key) != lowered(p.key))) ++i;
            if (i == was.gauges.size()) {
                changes.push_back({now.section, p.key, "added", p.line, text, ""});
                continue;
            }
            matched[i] = true;
            const std::string before = line_text(original, was_lines.at(size_t(was.gauges[i].line - 1)));
            if (before != text) changes.push_back({now.section, p.key, "changed", p.line, text, before});
        }
        for (size_t i = 0; i < was.gauges.size(); ++i)
            if (!matched[i])
                changes.push_back({was.section, was.gauges[i].key, "removed", was.gauges[i].line, "",
                                   line_text(original, was_lines.at(size_t(was.gauges[i].line - 1)))});
    }
    return changes;
}

void write_file_whole(const std::string& path, const std::string& bytes) { write_file_safely(path, bytes); }

}  // namespace bench
