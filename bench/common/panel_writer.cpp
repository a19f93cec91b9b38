#include "bench/common/panel_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
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

// ", X, Y, W[, H]"; a width of 0 is none (", X, Y" or ", X, Y, , H").
std::string numbers(const GaugePlace& p, const std::string& separator) {
    std::string out = separator + std::to_string(p.x) + separator + std::to_string(p.y);
    if (p.width || p.height) out += p.width ? separator + std::to_string(p.width) : ",";
    if (p.height) out += separator + std::to_string(p.height);
    return out;
}

// `raw` (a gauge line without its line end) with its place changed. What
// lies before the value, the gauge as named there, what follows the last
// field (blanks, a comment, a '\r') and the gauge's parameter after the
// numbers are kept; so is each number's field as wide as it was, where the
// new number fits, so that columns a designer lined up stay lined up, and
// an empty field stays empty when it is given no number. A width of 0
// writes none (the face's own width), a height of 0 none (the face's
// aspect): such a field is dropped with its comma when nothing follows it,
// and left empty when something does. A number the line gains is written
// with the line's own separator.
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

    std::vector<std::string_view> fields;  // each field between its commas: X, Y, W, H, then the parameter's
    for (size_t at = named_end; at < value.size();) {
        const size_t next = std::min(value.find(',', at + 1), value.size());
        fields.push_back(value.substr(at + 1, next - at - 1));
        at = next;
    }
    const bool spaced = std::any_of(fields.begin(), fields.end(), [](std::string_view f) { return !f.empty() && blank(f[0]); });
    const int wanted[] = {place.x, place.y, place.width, place.height};
    const bool given[] = {true, true, place.width != 0, place.height != 0};
    constexpr size_t NUMBERS = 4;
    // The fields written: the four numbers' (none where a number is not
    // given and no field was there), then the parameter's as they were.
    std::vector<std::optional<std::string>> out_fields;
    for (size_t i = 0; i < std::max(NUMBERS, fields.size()); ++i) {
        if (i >= NUMBERS) {
            out_fields.push_back(std::string(fields[i]));
            continue;
        }
        const std::string_view field = i < fields.size() ? fields[i] : std::string_view();
        size_t lead = 0;
        while (lead < field.size() && blank(field[lead])) ++lead;
        if (!given[i]) {
            // An empty field stays as it was; a number taken out leaves the field empty.
            if (i < fields.size()) out_fields.push_back(lead == field.size() ? std::string(field) : std::string());
            else out_fields.push_back(std::nullopt);
            continue;
        }
        const std::string number = std::to_string(wanted[i]);
        if (i >= fields.size() || lead == field.size()) {
            out_fields.push_back(lead == field.size() && lead ? std::string(field) + number
                                                              : (spaced ? " " : "") + number);
            continue;
        }
        size_t digits = lead;
        if (digits < field.size() && field[digits] == '-') ++digits;
        while (digits < field.size() && field[digits] >= '0' && field[digits] <= '9') ++digits;
        const size_t width = digits, old_digits = digits - lead;
        std::string written;
        if (number.size() == old_digits) {
            written = std::string(field.substr(0, lead));
        } else {
            const size_t room = width > number.size() ? width - number.size() : 0;
            written = std::string(std::max(room, lead > 0 ? size_t(1) : size_t(0)), ' ');
        }
        out_fields.push_back(written + number + std::string(field.substr(digits)));
    }
    // A W or H given no number, with nothing after it, goes with its comma,
    // unless it was an empty field the line wrote.
    auto held_number = [&](size_t i) {
        return i >= fields.size() || std::any_of(fields[i].begin(), fields[i].end(), [](char c) { return !blank(c); });
    };
    while (out_fields.size() > 2 && out_fields.size() <= NUMBERS && !given[out_fields.size() - 1] &&
           held_number(out_fields.size() - 1))
        out_fields.pop_back();
    std::string out = std::string(raw.substr(0, value_start)) + std::string(value.substr(0, named_end));
    for (const std::optional<std::string>& f : out_fields) out += "," + f.value_or("");
    return out + std::string(raw.substr(value_end));
}

void check_place(const GaugePlace& p) {
    auto in_range = [](int value, int low) { return value >= low && value <= PANEL_MAX_UNITS; };
    if (!our_gauge(p.gauge))
        throw std::invalid_argument("unknown gauge \"" + p.gauge + "\" (gauges: " + join(gauge_names()) + ")");
    if (!in_range(p.x, -PANEL_MAX_UNITS) || !in_range(p.y, -PANEL_MAX_UNITS))
        throw std::invalid_argument("X and Y must be whole numbers from " + std::to_string(-PANEL_MAX_UNITS) + " to " +
                                    std::to_string(PANEL_MAX_UNITS));
    if (!in_range(p.width, 0) || (p.height != 0 && !in_range(p.height, 1)))
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
    const bool width_right = place.width ? found && found->width_given && found->width == place.width
                                         : found && !found->width_given;
    if (!found || found->gauge != place.gauge || found->x != place.x || found->y != place.y || !width_right ||
        found->height != place.height)
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
    // A later line of the same key, passed over while this one stood, counts
    // once it is gone, as the engine's reader would take it.
    const PanelConfig check = parse_panel_config(result.text, file_name, window);
    std::vector<const PanelPlacement*> kept, now;
    for (const PanelPlacement& p : config.gauges)
        if (&p != &gone) kept.push_back(&p);
    for (const PanelPlacement& q : check.gauges)
        if (!same_name(q.key, gone.key)) now.push_back(&q);
    bool same = kept.size() == now.size();
    for (size_t i = 0; same && i < kept.size(); ++i) {
        const PanelPlacement &p = *kept[i], &q = *now[i];
        same = p.key == q.key && p.gauge == q.gauge && p.x == q.x && p.y == q.y && p.width == q.width &&
               p.height == q.height;
    }
    if (!same) throw std::logic_error(file_name + ":" + std::to_string(line) + ": the gauge line was not taken out cleanly");
    return result;
}

GaugePlace free_place(const PanelConfig& config, const std::string& gauge) {
    struct Box {
        int64_t x, y, w, h;
    };
    const std::string name = our_gauge(gauge).value_or(gauge);
    const auto [face_width, face_height] = face_size(name);
    GaugePlace place{.gauge = name, .width = name == "autopilot" ? 500 : 300};
    place.width = std::max(1, std::min(place.width, config.width));
    const int height = std::max(1, height_keeping_aspect(place.width, face_width, face_height));
    std::vector<Box> taken;
    for (const PanelPlacement& p : config.gauges) {
        const auto [w, h] = p.ours() ? std::pair{p.width, p.height ? p.height : height_keeping_aspect(p.width,
                                                                                                 face_size(p.gauge).first,
                                                                                                 face_size(p.gauge).second)}
                            : p.width ? std::pair{p.width, p.height ? p.height : p.width}
                                      : std::pair{PANEL_MARKER_UNITS, PANEL_MARKER_UNITS};
        taken.push_back({p.x, p.y, w, h});
    }
    // The places worth trying: the window's corner, and beside or beneath each gauge.
    std::vector<int64_t> xs{0}, ys{0};
    for (const Box& b : taken) {
        xs.push_back(b.x + b.w);
        ys.push_back(b.y + b.h);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (int64_t y : ys)
        for (int64_t x : xs) {
            if (x < 0 || y < 0 || x + place.width > config.width || y + height > config.height) continue;
            const bool free = std::none_of(taken.begin(), taken.end(), [&](const Box& b) {
                return x < b.x + b.w && b.x < x + place.width && y < b.y + b.h && b.y < y + height;
            });
            if (free) {
                place.x = int(x);
                place.y = int(y);
                return place;
            }
        }
    place.x = std::max(0, (config.width - place.width) / 2);
    place.y = std::max(0, (config.height - height) / 2);
    return place;
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
