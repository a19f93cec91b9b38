#include "bench/common/panel_writer.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "bench/common/catalogue.h"

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

// `raw` (a gauge line without its line end) with its place changed: what
// lies before the value, the gauge as named there, and what follows the
// last field (blanks, a comment, a '\r') are kept.
std::string moved_line(std::string_view raw, const GaugePlace& place) {
    const size_t equals = raw.find('=');
    size_t comment = std::min(raw.find("//"), raw.find(';'));
    if (comment == std::string_view::npos) comment = raw.size();
    size_t value_start = equals + 1;
    while (value_start < comment && blank(raw[value_start])) ++value_start;
    size_t value_end = comment;
    while (value_end > value_start && blank(raw[value_end - 1])) --value_end;
    const std::string_view value = raw.substr(value_start, value_end - value_start);
    size_t named_end = value.find(',');
    if (named_end == std::string_view::npos) named_end = value.size();
    while (named_end > 0 && blank(value[named_end - 1])) --named_end;
    const std::string separator = value.find(", ") != std::string_view::npos ? ", " : ",";
    return std::string(raw.substr(0, value_start)) + std::string(value.substr(0, named_end)) +
           numbers(place, separator) + std::string(raw.substr(value_end));
}

// The module's own spelling of one of its gauge names, given in any case; "" for none.
std::string our_spelling(const std::string& name) {
    std::string wanted = name;
    for (char& c : wanted) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& ours : gauge_names()) {
        std::string lowered = ours;
        for (char& c : lowered) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (lowered == wanted) return ours;
    }
    return "";
}

void check_place(const GaugePlace& p) {
    auto in_range = [](int value, int low) { return value >= low && value <= PANEL_MAX_UNITS; };
    if (our_spelling(p.gauge).empty())
        throw std::invalid_argument("unknown gauge \"" + p.gauge + "\" (gauges: " + join(gauge_names()) + ")");
    if (!in_range(p.x, 0) || !in_range(p.y, 0))
        throw std::invalid_argument("X and Y must be whole numbers from 0 to " + std::to_string(PANEL_MAX_UNITS));
    if (!in_range(p.width, 1) || (p.height != 0 && !in_range(p.height, 1)))
        throw std::invalid_argument("W and H must be whole numbers from 1 to " + std::to_string(PANEL_MAX_UNITS));
}

}  // namespace

PlacedText place_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& wanted) {
    check_place(wanted);
    const PanelConfig config = parse_panel_config(text, file_name, window);
    GaugePlace place = wanted;
    place.gauge = our_spelling(wanted.gauge);
    const std::vector<Line> lines = lines_of(text);
    const PanelPlacement* existing = nullptr;
    for (const PanelPlacement& p : config.gauges)
        if (p.ours() && p.gauge == place.gauge) {
            existing = &p;
            break;
        }

    PlacedText result;
    if (existing) {
        const Line& line = lines.at(size_t(existing->line - 1));
        const std::string raw(text.substr(line.start, line.length));
        const std::string changed = moved_line(raw, place);
        result.text = std::string(text.substr(0, line.start)) + changed + std::string(text.substr(line.start + line.length));
        result.line = existing->line;
        result.entry = changed.empty() || changed.back() != '\r' ? changed : changed.substr(0, changed.size() - 1);
    } else {
        if (config.next_gauge_number > 999999)
            throw PanelConfigError(file_name + ":" + std::to_string(config.last_gauge_line) +
                                   ": no gaugeNN number is left after this one");
        char key[32];
        std::snprintf(key, sizeof key, "gauge%02ld", config.next_gauge_number);
        result.entry = std::string(key) + "=" + MODULE_FILE_NAME + "!" + place.gauge + numbers(place, ", ");
        const int after = config.last_gauge_line ? config.last_gauge_line : config.section_last_line;
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
    }

    // What was written must read back as placed.
    const PanelConfig check = parse_panel_config(result.text, file_name, window);
    const PanelPlacement* found = nullptr;
    for (const PanelPlacement& p : check.gauges)
        if (p.ours() && p.gauge == place.gauge) {
            found = &p;
            break;
        }
    if (!found || found->line != result.line || found->x != place.x || found->y != place.y ||
        found->width != place.width || found->height != place.height)
        throw std::logic_error(file_name + ":" + std::to_string(result.line) +
                               ": the placed gauge line does not read back as placed");
    return result;
}

void write_file_whole(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    const std::string partial = path + ".partial-" + std::to_string(getpid());
    std::error_code error;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write " + path + ": cannot make " + partial);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(partial, error);
            throw std::runtime_error("cannot write " + path + " (is the disk full?)");
        }
    }
    const fs::file_status old = fs::status(path, error);
    if (!error && fs::exists(old)) fs::permissions(partial, old.permissions(), error);
    fs::rename(partial, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        throw std::runtime_error("cannot write " + path + ": " + error.message());
    }
}

}  // namespace bench
