// Writing a gauge of this module into a panel configuration: the one line
// that places it in a window is changed, or one line is added, and every
// other byte of the file stays as it was (comments, order, spacing, other
// sections, line ends, a byte-order mark).
#pragma once

#include <string>
#include <string_view>

#include "bench/common/panel_config.h"

namespace bench {

// Where a gauge of this module goes, in the window's units; height 0: the
// gauge keeps its face's aspect.
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

// Places `place` in the window section [WindowNN] of number `window` of
// `text`: the first gaugeNN line naming that gauge of this module is
// rewritten (its key, its way of naming the gauge and its trailing comment
// kept), or a line gaugeNN=vmq_Tavok22ap!GAUGE, X, Y, W[, H] is added with
// the next free NN, after the section's last gaugeNN line (else after its
// last key), with the file's line end. Refuses what the reader refuses
// (PanelConfigError, naming file:line), and an unknown gauge or a place out
// of range (std::invalid_argument).
PlacedText place_gauge(std::string_view text, const std::string& file_name, int window, const GaugePlace& place);

// Writes `bytes` to `path` through a temporary file in the same folder
// renamed into place, so that `path` is never half-written; an existing
// file's permissions are kept. Throws std::runtime_error naming the file.
void write_file_whole(const std::string& path, const std::string& bytes);

}  // namespace bench
