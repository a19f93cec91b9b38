#include "bench/common/panel_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "bench/common/bmp.h"
#include "bench/common/file_read.h"
#include "bench/common/message.h"
#include "bench/common/catalogue.h"
#include "resources/bitmaps.h"

namespace bench {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool same_name(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

std::string_view trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The line without a `//` or `;` comment.
std::string_view without_comment(std::string_view line) {
    size_t cut = std::min(line.find("//"), line.find(';'));
    return cut == std::string_view::npos ? line : line.substr(0, cut);
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "Window00", "window1": a window section's name.
bool window_section(std::string_view name) {
    return name.size() > 6 && same_name(name.substr(0, 6), "window") && all_digits(name.substr(6));
}

// The value of a run of digits, or -1 when it passes `most`.
long digits_value(std::string_view digits, long most) {
    long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > most) return -1;
    }
    return value;
}

// The highest gaugeNN number the reader counts; a key past it counts as it.
constexpr long MAX_GAUGE_NUMBER = 999999;

// "file", "FILE_1024": a key naming the window's background picture. The
// answer ranks them: a file_NNNN= made for a larger screen ranks higher,
// and file= lowest; -1 for other keys.
long background_rank(std::string_view key) {
    if (same_name(key, "file")) return 0;
    if (key.size() <= 5 || !same_name(key.substr(0, 5), "file_") || !all_digits(key.substr(5))) return -1;
    const long size = digits_value(key.substr(5), 1000000);
    return size < 0 ? 1000001 : size + 1;
}

// "gauge00", "Gauge7": a gauge line's key.
bool gauge_key(std::string_view key) {
    if (key.size() <= 5 || !same_name(key.substr(0, 5), "gauge")) return false;
    return std::all_of(key.begin() + 5, key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        size_t end = text.find(separator, start);
        parts.push_back(trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

class Reader {
public:
    Reader(const std::string& file, int window) : file_(file), wanted_(window) { config_.source = file; }

    PanelConfig read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        for (size_t start = 0; start < text.size() || line_ == 0;) {
            size_t end = std::min(text.find('\n', start), text.size());
            ++line_;
            line(text.substr(start, end - start));
            start = end + 1;
        }
        for (PanelWindow& w : config_.windows)
            if (auto title = titles_.find(w.number); w.number >= 0 && title != titles_.end()) w.title = title->second;
        if (!window_line_ && config_.windows.empty()) fail("no window section ([Window00] or the like) in the file");
        if (!window_line_) {
            char name[16];
            std::snprintf(name, sizeof name, "Window%02d", wanted_);
            throw PanelConfigError(file_ + ": there is no [" + name + "] (its windows: " + window_list(config_) + ")");
        }
        if (!config_.width) {
            line_ = window_line_;
            fail("the window section [" + config_.section + "] has no size_mm=W,H");
        }
        return std::move(config_);
    }

private:
    enum class Where { Nowhere, Window, Titles, Elsewhere };

    [[noreturn]] void fail(const std::string& what) const {
        throw PanelConfigError(file_ + ":" + std::to_string(line_) + ": " + cut_quoted(what));
    }

    void line(std::string_view raw) {
        if (raw.find('\0') != std::string_view::npos) fail("the line holds a NUL byte; is this a text file?");
        std::string_view text = trim(without_comment(raw));
        if (text.empty()) return;
        if (text.front() == '[') {
            if (text.back() != ']') fail("a section name must end with ']': \"" + std::string(text) + "\"");
            std::string_view name = trim(text.substr(1, text.size() - 2));
            if (name.empty()) fail("a section with no name");
            where_ = Where::Elsewhere;
            if (window_section(name)) {
                const int number = int(digits_value(name.substr(6), PANEL_MAX_WINDOW));
                config_.windows.push_back({std::string(name), number, "", line_});
                if (!window_line_ && (wanted_ == FIRST_WINDOW || number == wanted_)) {
                    where_ = Where::Window;
                    window_line_ = line_;
                    config_.section = name;
                    config_.section_line = config_.section_last_line = line_;
                }
            } else if (same_name(name, "window titles")) {
                where_ = Where::Titles;
            }
            return;
        }
        size_t equals = text.find('=');
        if (equals == std::string_view::npos)
            fail("expected KEY=VALUE or [SECTION], found \"" + std::string(text) + "\"");
        std::string_view key = trim(text.substr(0, equals));
        std::string_view value = trim(text.substr(equals + 1));
        if (key.empty()) fail("a line with no key before '='");
        if (where_ == Where::Nowhere)
            fail("\"" + std::string(key) + "\" stands outside any section; put it under [Window00] or the like");
        if (where_ == Where::Titles && window_section(key)) {
            titles_.emplace(int(digits_value(key.substr(6), PANEL_MAX_WINDOW)), std::string(value));
            return;
        }
        if (where_ != Where::Window) return;
        config_.section_last_line = line_;
        if (same_name(key, "size_mm")) {
            size(value);
        } else if (gauge_key(key)) {
            gauge(key, value);
            config_.last_gauge_line = line_;
            const long number = digits_value(key.substr(5), MAX_GAUGE_NUMBER);
            config_.next_gauge_number =
                std::max(config_.next_gauge_number, number < 0 ? MAX_GAUGE_NUMBER + 1 : number + 1);
        } else if (long rank = background_rank(key); rank >= 0 && !value.empty() && rank > background_rank_) {
            background_rank_ = rank;
            config_.background = value;
            config_.background_line = line_;
        }
    }

    // A whole number from 0 to PANEL_MAX_UNITS.
    int units(std::string_view text, const std::string& what) const {
        if (text.empty()) fail("missing " + what);
        int value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range))
            fail(what + " \"" + std::string(text) + "\" is not a whole number");
        if (error == std::errc::result_out_of_range || value < 0 || value > PANEL_MAX_UNITS)
            fail(what + " " + std::string(text) + " is out of range (0 to " + std::to_string(PANEL_MAX_UNITS) +
                 " window units)");
        return value;
    }

    // A size: a whole number from 1 to PANEL_MAX_UNITS.
    int extent(std::string_view text, const std::string& what) const {
        int value = units(text, what);
        if (value == 0) fail(what + " is 0; a size must be at least 1");
        return value;
    }

    void size(std::string_view value) {
        if (size_line_) fail("size_mm is given twice (first on line " + std::to_string(size_line_) + ")");
        std::vector<std::string_view> fields = split(value, ',');
        if (fields.size() != 2) fail("size_mm takes W,H, found \"" + std::string(value) + "\"");
        config_.width = extent(fields[0], "the window width");
        config_.height = extent(fields[1], "the window height");
        size_line_ = line_;
    }

    void gauge(std::string_view key, std::string_view value) {
        const std::string shape = " (expected FILE!GAUGE, X, Y, W[, H])";
        std::vector<std::string_view> fields = split(value, ',');
        std::string_view named = fields[0];
        size_t bang = named.find('!');
        if (bang == std::string_view::npos)
            fail(std::string(key) + " names no gauge: \"" + std::string(named) + "\" has no '!'" + shape);
        PanelPlacement p;
        p.line = line_;
        p.key = key;
        p.file = trim(named.substr(0, bang));
        p.gauge = trim(named.substr(bang + 1));
        if (p.file.empty()) fail(std::string(key) + " names no gauge file before '!'" + shape);
        if (p.gauge.empty()) fail(std::string(key) + " names no gauge after '!'" + shape);
        const bool our_file = same_name(p.file, MODULE_FILE_NAME);
        if (our_file) {
            std::optional<std::string> name = our_gauge(p.gauge);
            if (!name)
                fail("unknown gauge \"" + p.gauge + "\" in " + p.file + " (its gauges: " + join(gauge_names()) + ")");
            p.gauge = *name;
        }
        if (fields.size() < 4) fail(std::string(key) + " is missing fields" + shape);
        // Gauges of other files may carry parameters after the size; ours take none.
        if (our_file && fields.size() > 5) fail(std::string(key) + " has fields after the height" + shape);
        p.x = units(fields[1], "X");
        p.y = units(fields[2], "Y");
        p.width = extent(fields[3], "the width");
        if (fields.size() > 4) p.height = extent(fields[4], "the height");
        if (our_file) {
            int copies = ++copies_[p.gauge];
            p.name = copies == 1 ? p.gauge : p.gauge + "-" + std::to_string(copies);
        }
        config_.gauges.push_back(std::move(p));
    }

    std::string file_;
    int wanted_;
    PanelConfig config_;
    std::map<int, std::string> titles_;
    long background_rank_ = -1;
    int line_ = 0;
    Where where_ = Where::Nowhere;
    int window_line_ = 0;
    int size_line_ = 0;
    std::map<std::string, int> copies_;
};

}  // namespace

std::optional<std::string> our_gauge(std::string_view name) {
    for (const std::string& ours : gauge_names())
        if (same_name(ours, name)) return ours;
    return std::nullopt;
}

bool PanelPlacement::ours() const { return same_name(file, MODULE_FILE_NAME) && our_gauge(gauge).has_value(); }

PanelConfig parse_panel_config(std::string_view text, const std::string& file_name, int window) {
    return Reader(file_name, window).read(text);
}

std::string window_list(const PanelConfig& config) {
    std::string list;
    for (const PanelWindow& w : config.windows) {
        if (!list.empty()) list += ", ";
        list += w.section;
        if (!w.title.empty()) list += " \"" + w.title + "\"";
    }
    return list.empty() ? "none" : list;
}

std::string picture_path(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    // Windows names files and folders in any case: each part of the name
    // not there as written is looked for, whatever its case, in its folder.
    fs::path found = folder.empty() ? "." : folder;
    for (const fs::path& part : fs::path(relative)) {
        std::error_code error;
        fs::path next = found / part;
        if (!fs::exists(next, error))
            for (fs::directory_iterator it(found, error), end; !error && it != end; it.increment(error))
                if (same_name(it->path().filename().string(), part.string())) {
                    next = it->path();
                    break;
                }
        found = next;
    }
    return found.string();
}

std::string read_panel_text(const std::string& path) {
    try {
        return read_file_bounded(path, PANEL_FILE_CAP, "the panel configuration");
    } catch (const FileReadError& e) {
        throw PanelConfigError(e.what());
    }
}

void read_background(PanelConfig& config, const std::string& folder, const std::string& path) {
    config.background_picture.reset();
    config.background_problem.clear();
    if (config.background.empty()) return;
    try {
        config.background_picture = std::make_shared<const BmpImage>(read_bmp(picture_path(folder, config.background)));
    } catch (const BmpError& e) {
        config.background_problem = "the background of [" + config.section + "] (" + path + ":" +
                                    std::to_string(config.background_line) + "): " + e.what() +
                                    "; the window is drawn plain";
    }
}

PanelConfig read_panel_config(const std::string& path, int window) {
    PanelConfig config = parse_panel_config(read_panel_text(path), path, window);
    read_background(config, std::filesystem::path(path).parent_path().string(), path);
    return config;
}

int height_keeping_aspect(int width, int face_width, int face_height) {
    if (face_width <= 0) return width;
    return int((int64_t(width) * face_height + face_width / 2) / face_width);
}

std::pair<int, int> face_size(const std::string& gauge) {
    const std::optional<std::string> name = our_gauge(gauge);
    const Instrument* instrument = name ? instrument_of(*name) : nullptr;
    if (!instrument) return {0, 0};
    const BitmapSize* size = std::find_if(std::begin(MODULE_BITMAPS), std::end(MODULE_BITMAPS),
                                          [&](const BitmapSize& b) { return b.id == instrument->face_bitmap; });
    return size == std::end(MODULE_BITMAPS) ? std::pair{0, 0} : std::pair{size->width, size->height};
}

PanelConfig default_panel() {
    // The bench's side-by-side panel: a margin round and between the faces,
    // and room beneath them for their names.
    constexpr int MARGIN = 12, LABEL_ROOM = 18;
    PanelConfig config{.source = "(all five gauges)", .section = "Window00"};
    int x = MARGIN, tallest = 0;
    for (const std::string& name : gauge_names()) {
        const int32_t face = instrument_of(name)->face_bitmap;
        const BitmapSize* size = std::find_if(std::begin(MODULE_BITMAPS), std::end(MODULE_BITMAPS),
                                              [&](const BitmapSize& b) { return b.id == face; });
        config.gauges.push_back({.file = MODULE_FILE_NAME,
                                 .gauge = name,
                                 .x = x,
                                 .y = MARGIN,
                                 .width = size->width,
                                 .height = size->height,
                                 .name = name});
        x += size->width + MARGIN;
        tallest = std::max(tallest, size->height);
    }
    config.width = x;
    config.height = MARGIN + tallest + MARGIN + LABEL_ROOM;
    return config;
}

}  // namespace bench
