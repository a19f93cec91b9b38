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
#include <tuple>

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

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A line's text as a note quotes it: at most 60 bytes, so that a note stays one short line.
std::string quoted(std::string_view text) {
    return "\"" + std::string(text.substr(0, 60)) + (text.size() > 60 ? "...\"" : "\"");
}

// The line without a `//` or `;` comment.
std::string_view without_comment(std::string_view line) {
    size_t cut = std::min(line.find("//"), line.find(';'));
    return cut == std::string_view::npos ? line : line.substr(0, cut);
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
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

// "Window00", "window1": a window section's id (its number); "VCockpit01":
// VCOCKPIT_ID and its number; -1 for its digits past PANEL_MAX_WINDOW, and
// none for a section of another name.
std::optional<int> section_id(std::string_view name) {
    for (auto [prefix, base] : {std::pair{std::string_view("window"), 0}, std::pair{std::string_view("vcockpit"), VCOCKPIT_ID}})
        if (name.size() > prefix.size() && same_name(name.substr(0, prefix.size()), prefix) &&
            all_digits(name.substr(prefix.size()))) {
            const long number = digits_value(name.substr(prefix.size()), PANEL_MAX_WINDOW);
            return number < 0 ? -1 : base + int(number);
        }
    return std::nullopt;
}

// The highest gaugeNN number the reader counts; a key past it counts as it.
constexpr long MAX_GAUGE_NUMBER = 999999;

// "file", "FILE_1024", "file_1024_night": a key naming the window's
// background picture. The answer ranks them: file= highest, then the day
// pictures made for larger screens, then the night ones; -1 for other keys.
long background_rank(std::string_view key) {
    constexpr long FILE_RANK = 3000000, DAY = 1000001;
    if (same_name(key, "file")) return FILE_RANK;
    if (key.size() <= 5 || !same_name(key.substr(0, 5), "file_")) return -1;
    std::string_view rest = key.substr(5);
    long base = DAY;
    if (rest.size() > 6 && same_name(rest.substr(rest.size() - 6), "_night")) {
        rest.remove_suffix(6);
        base = 0;
    }
    if (!all_digits(rest)) return -1;
    const long size = digits_value(rest, 1000000);
    return base + (size < 0 ? 1000000 : size);
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

// A whole number from `low` to `high`, or why not.
std::optional<int> whole(std::string_view text, int low, int high, std::string& why) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty()) {
        why = "is missing";
    } else if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range)) {
        why = quoted(text) + " is not a whole number";
    } else if (error == std::errc::result_out_of_range || value < low || value > high) {
        why = std::string(text.substr(0, 60)) + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) +
              " window units)";
    } else {
        return value;
    }
    return std::nullopt;
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
        if (!window_line_ && config_.windows.empty())
            fail("no window section ([Window00], [VCockpit01] or the like) in the file");
        if (!window_line_)
            throw PanelConfigError(file_ + ": there is no [" + section_name(wanted_) + "] (its windows: " +
                                   window_list(config_) + ")");
        return std::move(config_);
    }

private:
    enum class Where { Nowhere, Window, Titles, Other, Elsewhere };

    [[noreturn]] void fail(const std::string& what) const {
        throw PanelConfigError(file_ + ":" + std::to_string(line_) + ": " + cut_quoted(what));
    }
    void note(const std::string& what) { config_.notes.push_back(file_ + ":" + std::to_string(line_) + ": " + what); }

    void section(std::string_view name) {
        where_ = Where::Elsewhere;
        current_ = SIZE_MAX;
        const std::optional<int> id = section_id(name);
        if (same_name(name, "window titles")) where_ = Where::Titles;
        if (!id) return;
        where_ = Where::Other;
        // Of a section given twice, the first is the window; a later one is passed over.
        for (const PanelWindow& w : config_.windows)
            if (*id >= 0 && w.number == *id) {
                if (w.line == window_line_)
                    note("[" + std::string(name) + "] is given again (first on line " + std::to_string(w.line) +
                         "); the first is read, this one is passed over");
                return;
            }
        const bool virtual_cockpit = *id >= VCOCKPIT_ID;
        config_.windows.push_back({std::string(name), *id, "", line_, virtual_cockpit, ""});
        current_ = config_.windows.size() - 1;
        if (!window_line_ && (wanted_ == FIRST_WINDOW || *id == wanted_)) {
            where_ = Where::Window;
            window_line_ = line_;
            config_.section = name;
            config_.virtual_cockpit = virtual_cockpit;
            config_.section_line = config_.section_last_line = line_;
        }
    }

    void line(std::string_view raw) {
        if (raw.find('\0') != std::string_view::npos)
            fail("the line holds a NUL byte; is this a text file (a panel configuration is 8-bit text)?");
        std::string_view text = trim(without_comment(raw));
        if (text.empty()) return;
        if (text.front() == '[') {
            if (text.back() != ']') {
                note("a section name without its ']', " + quoted(text) + "; the line is passed over");
                return;
            }
            section(trim(text.substr(1, text.size() - 2)));
            return;
        }
        size_t equals = text.find('=');
        std::string_view key = trim(text.substr(0, std::min(equals, text.size())));
        if (equals == std::string_view::npos || key.empty()) {
            if (where_ == Where::Window)
                note(quoted(text) + " is no KEY=VALUE; the line is passed over");
            return;
        }
        std::string_view value = trim(text.substr(equals + 1));
        if (where_ == Where::Nowhere) {
            if (gauge_key(key))
                note(std::string(key.substr(0, 20)) + " stands outside any section, where nothing is laid out; passed over");
            return;
        }
        if (where_ == Where::Titles && section_id(key) && *section_id(key) >= 0 && *section_id(key) < VCOCKPIT_ID) {
            titles_.emplace(*section_id(key), std::string(value));
            return;
        }
        if (current_ < config_.windows.size() && same_name(key, "texture")) {
            PanelWindow& w = config_.windows[current_];
            if (w.virtual_cockpit && w.texture.empty()) w.texture = value;
        }
        if (where_ != Where::Window) return;
        config_.section_last_line = line_;
        // Of a key given twice in the section, the first counts.
        std::string lowered = lower(key);
        if (gauge_key(key)) {
            const long number = digits_value(key.substr(5), MAX_GAUGE_NUMBER);
            config_.next_gauge_number =
                std::max(config_.next_gauge_number, number < 0 ? MAX_GAUGE_NUMBER + 1 : number + 1);
            config_.last_gauge_line = line_;
        }
        if (auto [first, fresh] = keys_.emplace(lowered, line_); !fresh) {
            if (gauge_key(key) || lowered == "size_mm" || lowered == "pixel_size")
                note(std::string(key.substr(0, 20)) + " is given again (first on line " + std::to_string(first->second) +
                     "); the first counts, this line is passed over");
            return;
        }
        if (lowered == "size_mm" || lowered == "pixel_size") {
            size(key, value, lowered == "pixel_size");
        } else if (gauge_key(key)) {
            gauge(key, value);
        } else if (lowered == "background_color" && config_.virtual_cockpit) {
            colour(value);
        } else if (long rank = background_rank(key); rank >= 0 && !value.empty() && rank > background_rank_) {
            background_rank_ = rank;
            config_.background = value;
            config_.background_line = line_;
        }
    }

    // size_mm=W[,H]; a virtual cockpit's pixel_size=W,H, which is its texture's size, takes precedence.
    void size(std::string_view key, std::string_view value, bool pixels) {
        if (config_.virtual_cockpit ? (pixel_size_ && !pixels) : pixels) return;
        std::vector<std::string_view> fields = split(value, ',');
        std::string why;
        std::optional<int> w = whole(fields[0], 1, PANEL_MAX_UNITS, why), h;
        if (w && fields.size() > 1) h = whole(fields[1], 1, PANEL_MAX_UNITS, why);
        if (!w || (fields.size() > 1 && !h) || fields.size() > 2) {
            note(std::string(key) + "=" + quoted(value) + " is not W[,H] in whole units (" +
                 (why.empty() ? "too many fields" : why) + "); the window takes its size from elsewhere");
            return;
        }
        config_.given_width = *w;
        config_.given_height = h ? *h : 0;
        if (config_.virtual_cockpit && pixels) pixel_size_ = true;
    }

    // background_color=R,G,B, each 0 to 255.
    void colour(std::string_view value) {
        std::vector<std::string_view> fields = split(value, ',');
        uint32_t rgb = 0;
        std::string why;
        for (size_t i = 0; i < 3; ++i) {
            std::optional<int> c = i < fields.size() ? whole(fields[i], 0, 255, why) : std::nullopt;
            if (!c || fields.size() != 3) {
                note("background_color=" + quoted(value) + " is not R,G,B from 0 to 255; drawn black");
                return;
            }
            rgb = rgb << 8 | uint32_t(*c);
        }
        config_.background_colour = rgb;
    }

    // gaugeNN=FILE!NAME, X, Y[, W[, H]][, PARAMETER]. A line naming this
    // module's file must read whole; another file's line that does not is
    // drawn where its numbers allow, and passed over otherwise, with a note.
    void gauge(std::string_view key, std::string_view value) {
        const std::string shape = " (expected FILE!GAUGE, X, Y[, W[, H]])";
        std::vector<std::string_view> fields = split(value, ',');
        PanelPlacement p;
        p.line = line_;
        p.key = key;
        p.named = fields[0];
        const std::string_view named = fields[0];
        // FILE!GAUGE, or the old FILE.GAUGE.
        size_t bang = named.find('!');
        if (bang == std::string_view::npos) bang = named.rfind('.');
        if (bang != std::string_view::npos) {
            p.file = trim(named.substr(0, bang));
            p.gauge = trim(named.substr(bang + 1));
        }
        // A name without '!' that starts with our file's name ("vmq_Tavok22ap autopilot") is ours mistyped.
        const std::string_view module = MODULE_FILE_NAME;
        const bool our_file = same_name(p.file, module) ||
                              (bang == std::string_view::npos && same_name(named.substr(0, module.size()), module) &&
                               (named.size() == module.size() || blank(named[module.size()])));
        std::string why;
        if (!our_file) {
            const std::string label = std::string(key.substr(0, 20)) + " " + quoted(value);
            std::optional<int> x = fields.size() > 1 ? whole(fields[1], -PANEL_MAX_UNITS, PANEL_MAX_UNITS, why) : std::nullopt;
            std::optional<int> y = x && fields.size() > 2 ? whole(fields[2], -PANEL_MAX_UNITS, PANEL_MAX_UNITS, why) : std::nullopt;
            if (!x || !y) {
                note(label + ": " + (fields.size() < 3 ? "no X and Y" : (x ? "Y " : "X ") + why) +
                     "; another file's gauge, passed over");
                return;
            }
            p.x = *x;
            p.y = *y;
            p.width = p.height = 0;
            bool unread = p.file.empty() || p.gauge.empty();
            // W and H may be missing or empty; a field that is no number begins the gauge's parameter.
            auto numeric = [](std::string_view f) { return !f.empty() && (f[0] == '-' || (f[0] >= '0' && f[0] <= '9')); };
            if (fields.size() > 3 && numeric(fields[3])) {
                if (std::optional<int> w = whole(fields[3], 1, PANEL_MAX_UNITS, why)) {
                    p.width = *w;
                    if (fields.size() > 4 && numeric(fields[4])) {
                        if (std::optional<int> h = whole(fields[4], 1, PANEL_MAX_UNITS, why))
                            p.height = *h;
                        else
                            note(label + ": the height " + why + "; drawn without it");
                    }
                } else {
                    note(label + ": the width " + why + "; drawn as a marker at X, Y");
                }
            }
            if (unread) note(label + ": names no FILE!GAUGE; drawn as a box labelled as written");
            p.width_given = p.width > 0;
            config_.gauges.push_back(std::move(p));
            return;
        }
        if (bang == std::string_view::npos)
            fail(std::string(key) + " names no gauge: \"" + std::string(named) + "\" has no '!'" + shape);
        if (p.gauge.empty()) fail(std::string(key) + " names no gauge after '!'" + shape);
        std::optional<std::string> name = our_gauge(p.gauge);
        if (!name) fail("unknown gauge \"" + p.gauge + "\" in " + p.file + " (its gauges: " + join(gauge_names()) + ")");
        p.gauge = *name;
        if (fields.size() < 3) fail(std::string(key) + " is missing X and Y" + shape);
        auto number = [&](size_t i, int low, const std::string& what) {
            std::optional<int> v = whole(fields[i], low, PANEL_MAX_UNITS, why);
            if (!v) fail(what + " " + why + shape);
            return *v;
        };
        p.x = number(1, -PANEL_MAX_UNITS, "X");
        p.y = number(2, -PANEL_MAX_UNITS, "Y");
        // W and H may be missing or empty; what follows them is the gauge's parameter, passed to it.
        p.width_given = fields.size() > 3 && !fields[3].empty();
        p.width = p.width_given ? number(3, 1, "the width") : face_size(p.gauge).first;
        if (fields.size() > 4 && !fields[4].empty()) p.height = number(4, 1, "the height");
        int copies = ++copies_[p.gauge];
        p.name = copies == 1 ? p.gauge : p.gauge + "-" + std::to_string(copies);
        config_.gauges.push_back(std::move(p));
    }

    std::string file_;
    int wanted_;
    PanelConfig config_;
    std::map<int, std::string> titles_;
    std::map<std::string, int> keys_;  // the chosen section's keys, lowered, and their first lines
    long background_rank_ = -1;
    int line_ = 0;
    Where where_ = Where::Nowhere;
    size_t current_ = SIZE_MAX;  // the section being read in `windows`, when it is a window's first
    int window_line_ = 0;
    bool pixel_size_ = false;
    std::map<std::string, int> copies_;
};

// The size that holds every gauge of the window, at least a marker's.
std::pair<int, int> holding(const PanelConfig& config) {
    int width = PANEL_MARKER_UNITS, height = PANEL_MARKER_UNITS;
    for (const PanelPlacement& p : config.gauges) {
        int w = p.width > 0 ? p.width : PANEL_MARKER_UNITS, h = p.height;
        if (!h) {
            const auto [face_width, face_height] = face_size(p.gauge);
            h = p.ours() ? height_keeping_aspect(w, face_width, face_height) : p.width > 0 ? w : PANEL_MARKER_UNITS;
        }
        width = std::max(width, std::min(PANEL_MAX_UNITS, p.x + w));
        height = std::max(height, std::min(PANEL_MAX_UNITS, p.y + h));
    }
    return {width, height};
}

// The window's size from what the section gives, its picture and its gauges.
void settle_size(PanelConfig& config, int picture_width, int picture_height) {
    config.size_note.clear();
    const bool picture = picture_width > 0 && picture_height > 0;
    const std::string where = "[" + config.section + "] (" + config.source + ":" + std::to_string(config.section_line) + ")";
    if (config.given_width && config.given_height) {
        config.width = config.given_width;
        config.height = config.given_height;
    } else if (config.given_width && picture) {
        config.width = config.given_width;
        config.height = std::clamp(height_keeping_aspect(config.width, picture_width, picture_height), 1, PANEL_MAX_UNITS);
    } else if (config.given_width) {
        config.width = config.given_width;
        config.height = holding(config).second;
        config.size_note = where + " gives only its width and no picture to take the height from; it is made " +
                           std::to_string(config.height) + " high to hold its gauges";
    } else if (picture) {
        config.width = std::min(picture_width, PANEL_MAX_UNITS);
        config.height = std::min(picture_height, PANEL_MAX_UNITS);
    } else {
        std::tie(config.width, config.height) = holding(config);
        config.size_note = where + " gives no size and no picture; it is sized to hold its gauges, " +
                           std::to_string(config.width) + "x" + std::to_string(config.height);
    }
}

}  // namespace

std::optional<std::string> our_gauge(std::string_view name) {
    for (const std::string& ours : gauge_names())
        if (same_name(ours, name)) return ours;
    return std::nullopt;
}

bool PanelPlacement::ours() const { return same_name(file, MODULE_FILE_NAME) && our_gauge(gauge).has_value(); }

PanelConfig parse_panel_config(std::string_view text, const std::string& file_name, int window) {
    PanelConfig config = Reader(file_name, window).read(text);
    settle_size(config, 0, 0);
    return config;
}

int window_choice(const std::string& text) {
    const std::string shape = "--window takes a number (1 is [Window01]) or a section name (Window01, VCockpit01)";
    if (all_digits(text)) {
        const long number = digits_value(text, PANEL_MAX_WINDOW);
        if (number < 0) throw std::invalid_argument(shape + "; " + text + " is past " + std::to_string(PANEL_MAX_WINDOW));
        return int(number);
    }
    std::string_view name = trim(text);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = trim(name.substr(1, name.size() - 2));
    const std::optional<int> id = section_id(name);
    if (!id || *id < 0) throw std::invalid_argument(shape + ", not \"" + text + "\"");
    return *id;
}

std::string section_name(int id) {
    char name[32];
    if (id >= VCOCKPIT_ID)
        std::snprintf(name, sizeof name, "VCockpit%02d", id - VCOCKPIT_ID);
    else
        std::snprintf(name, sizeof name, "Window%02d", id < 0 ? 0 : id);
    return name;
}

std::vector<std::string> panel_notes(const PanelConfig& config) {
    std::vector<std::string> notes = config.notes;
    if (!config.size_note.empty()) notes.push_back(config.size_note);
    if (!config.background_problem.empty()) notes.push_back(config.background_problem);
    return notes;
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
    if (!config.background.empty()) {
        try {
            config.background_picture =
                std::make_shared<const BmpImage>(read_bmp(picture_path(folder, config.background)));
        } catch (const BmpError& e) {
            config.background_problem = "the background of [" + config.section + "] (" + path + ":" +
                                        std::to_string(config.background_line) + "): " + e.what() +
                                        "; the window is drawn plain";
        }
    }
    const BmpImage* picture = config.background_picture.get();
    settle_size(config, picture ? picture->width : 0, picture ? picture->height : 0);
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
