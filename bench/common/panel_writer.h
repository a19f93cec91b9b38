// Writing a gauge of this module into a panel configuration: the one line
// that places it in a window is changed, or one line is added, and every
// other byte of the file stays as it was (comments, order, spacing, other
// sections, line ends, a byte-order mark).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bench/common/panel_config.h"

namespace bench {

// Where a gauge of this module goes, in the window's units (X and Y may be
// negative: partly outside the window); width 0: none written, the face's
// own width; height 0: the gauge keeps its face's aspect.
struct GaugePlace {
    std::string gauge;  // one of the module's gauge names, in any case
    int x = 0, y = 0, width = 0, height = 0;
};

struct PlacedText {
    std::string text;   // the whole new file
    int line = 0;       // the line changed or added, numbered as the reader numbers them
    bool added = false; // a new gaugeNN line (else the first line naming the gauge was moved)
    std::string entry;  // that line, without its line end
};

// Places `place` in the window or virtual-cockpit section of id `window`
// of `text`: the first gaugeNN line naming that gauge of this module is
// rewritten (its key, its way of naming the gauge, its empty fields, its
// parameter and its trailing comment kept), or a line gaugeNN=vmq_Tavok22ap!GAUGE, X, Y, W[, H] is added with
// the next free NN, after the section's last gaugeNN line (else after its
// last key), with the file's line end. Refuses what the reader refuses
// (PanelConfigError, naming file:line), and an unknown gauge or a place out
// of range (std::invalid_argument).
PlacedText place_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& place);

// The gauge line of this module on `line` of window [WindowNN] `window`
// moved to `place` (its gauge is the line's own; place.gauge is not read),
// as place_gauge rewrites a line. Refuses a line that is not one of this
// module's gauges in that window (std::invalid_argument).
PlacedText move_gauge(std::string_view text, const std::string& file_name, int window, int line,
                      const GaugePlace& place);
// A line gaugeNN=vmq_Tavok22ap!GAUGE, X, Y, W[, H] added to the window with
// the next free NN, as place_gauge adds one, even when the window already
// shows that gauge (a second copy).
PlacedText add_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& place);
// Where the page adds `gauge` to the window laid out in `config`: at the
// width the installation notes give it (500 units for the autopilot, 300
// for the others; the window's width where it is narrower), its height
// keeping the face's aspect, at the top-most, then left-most place where
// it lies inside the window and overlaps no gauge there; in the middle of
// the window when there is no such place.
GaugePlace free_place(const PanelConfig& config, const std::string& gauge);

// The gauge line of this module on `line` of the window taken out, with its
// line end; `line` and `entry` of the answer tell what was there. A last
// line without a line end takes the line end before it along, so that the
// file still ends as it did.
PlacedText remove_gauge(std::string_view text, const std::string& file_name, int window, int line);

// A gaugeNN line of a window section that differs between two versions of
// a file, matched by key (without regard to case).
struct GaugeLineChange {
    std::string section;  // "Window01"
    std::string key;      // as written now, or as it was for a removed line
    std::string kind;     // "changed", "added" or "removed"
    int line = 0;         // its line now (for a removed line: where it was)
    std::string now;      // the line as it reads now, without its line end ("" when removed)
    std::string was;      // the line as it read before ("" when added)
};
// The gauge lines of every window section that `current` changed, added or
// took out of `original`, in the order of `current`'s windows and lines,
// removed lines last in each window. A window either version cannot read
// is passed over.
std::vector<GaugeLineChange> gauge_line_changes(std::string_view original, std::string_view current,
                                                const std::string& file_name);

// Writes `bytes` to `path` as write_file_safely() does (bench/common/file_write.h):
// through a symlink, never onto a special or read-only file, never half.
// Throws std::runtime_error naming the file.
void write_file_whole(const std::string& path, const std::string& bytes);

}  // namespace bench
