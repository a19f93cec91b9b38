// Panel configurations: the text file in which an aircraft's panel places
// gauges in windows. The bench lays out the first window section:
//
//   [Window00]
//   size_mm=1024,768                          // the window's size in its own units
//   gauge00=vmq_Tavok22ap!autopilot, 10, 300, 500     ; X, Y, W[, H] in those units
//   gauge01=other_file!clock, 600, 20, 120            ; another file's gauge: a labelled box
//
// Keys are matched without regard to case, blanks around keys, values and
// fields are ignored, `//` and `;` start comments (whole-line or trailing),
// CRLF line ends and a UTF-8 byte-order mark are accepted; other keys and
// other sections are passed over. Anything malformed is refused naming the
// file and line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// A panel configuration the reader refuses: what() is "FILE:LINE: what is wrong".
struct PanelConfigError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The gauge file of this module as a panel configuration names it.
inline constexpr const char* MODULE_FILE_NAME = "vmq_Tavok22ap";
// The largest position or size the reader takes, in window units.
inline constexpr int PANEL_MAX_UNITS = 16384;

// One gaugeNN= line of the window section.
struct PanelPlacement {
    std::string file;   // the gauge file named before '!', e.g. "vmq_Tavok22ap"
    std::string gauge;  // the gauge name after '!', e.g. "autopilot" (ours: the module's own spelling)
    int x = 0, y = 0;   // position in the window's units (those of size_mm)
    int width = 0;      // width in the window's units; the gauge is scaled to it
    int height = 0;     // 0 when the line gives none: the gauge keeps its own aspect
    int line = 0;       // line number in the file
    // The name the bench knows this gauge by (scripts click it by this name):
    // the gauge name, with "-2", "-3"... for further copies of the same gauge;
    // empty for another file's gauge.
    std::string name;
    // Names this module's file (case-insensitive "vmq_Tavok22ap") and one of its five gauges.
    bool ours() const;
};

struct PanelConfig {
    std::string source;         // file name, or "(all five gauges)" for the default
    std::string section;        // e.g. "Window00"
    int width = 0, height = 0;  // size_mm
    std::vector<PanelPlacement> gauges;  // in file order
};

// Reads a panel configuration's text; `file_name` is used in messages. Throws PanelConfigError.
PanelConfig parse_panel_config(std::string_view text, const std::string& file_name);
// Reads a panel configuration file. Throws PanelConfigError (cannot open: "PATH: cannot open ...").
PanelConfig read_panel_config(const std::string& path);
// All five gauges side by side, each at its face's own size, in a window that holds them.
PanelConfig default_panel();

// The height of a gauge `width` wide whose line gives no height: its face's
// aspect kept, rounded to the nearest whole unit (a half up). In whatever
// unit `width` is: the pictures use pixels, the page window units.
int height_keeping_aspect(int width, int face_width, int face_height);

}  // namespace bench
