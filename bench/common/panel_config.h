// Panel configurations: the text file in which an aircraft's panel places
// gauges in windows. The bench lists every window section and lays out the
// one chosen ([WindowNN] by its number), by default the first:
//
//   [Window00]
//   file=panel_background.bmp                 // drawn beneath, stretched to size_mm
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

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench {

struct BmpImage;

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
    std::string key;    // the key as written, e.g. "gauge03"
    // The name the bench knows this gauge by (scripts click it by this name):
    // the gauge name, with "-2", "-3"... for further copies of the same gauge;
    // empty for another file's gauge.
    std::string name;
    // Names this module's file (case-insensitive "vmq_Tavok22ap") and one of its five gauges.
    bool ours() const;
};

// A window section of the file: [Window00], [window1]... Sections of other
// names ([Vcockpit01], [Views]...) are not windows.
struct PanelWindow {
    std::string section;  // as written, e.g. "Window01"
    int number = -1;      // the value of its digits (-1 when they pass PANEL_MAX_WINDOW)
    std::string title;    // its WindowNN= line in [Window Titles], or ""
    int line = 0;         // the line of its [WindowNN]
};

// The highest window number the reader chooses by.
inline constexpr int PANEL_MAX_WINDOW = 9999;
// The window a reader lays out when none is chosen: the first in the file.
inline constexpr int FIRST_WINDOW = -1;

struct PanelConfig {
    std::string source;         // file name, or "(all five gauges)" for the default
    std::string section;        // e.g. "Window00"
    int width = 0, height = 0;  // size_mm
    std::vector<PanelPlacement> gauges;  // in file order
    std::vector<PanelWindow> windows;    // every window section, in file order

    // The background picture the section names (its file= or file_NNNN=), as
    // written, or "" when it names none; and its line.
    std::string background;
    int background_line = 0;
    // Set by read_panel_config: the picture, or why it could not be read
    // (one line; the window is then drawn plain).
    std::shared_ptr<const BmpImage> background_picture;
    std::string background_problem;

    // Where the section lies in the file, for writing a gauge line into it:
    // its [WindowNN] line, its last line holding a key (the [WindowNN] line
    // when it has none), its last gaugeNN line (0 when it has none), and one
    // past the highest NN of its gaugeNN keys.
    int section_line = 0;
    int section_last_line = 0;
    int last_gauge_line = 0;
    long next_gauge_number = 0;
};

// Reads a panel configuration's text; `file_name` is used in messages.
// `window` chooses the section [WindowNN] of that number (FIRST_WINDOW: the
// first window section). Only the chosen section's keys are checked; every
// line must still be a section, a KEY=VALUE, a comment or blank. Throws
// PanelConfigError: "FILE:LINE: ..." for a malformed line, "FILE: there is
// no [WindowNN] ..." (naming the windows there are) for a missing window.
PanelConfig parse_panel_config(std::string_view text, const std::string& file_name, int window = FIRST_WINDOW);
// Reads a panel configuration file, and the window's background picture
// from the file's folder. Throws PanelConfigError (cannot open: "PATH:
// cannot open ..."); a picture that cannot be read is not an error, see
// background_problem.
PanelConfig read_panel_config(const std::string& path, int window = FIRST_WINDOW);
// The bytes of a panel configuration file. Throws PanelConfigError ("PATH: cannot open ...").
std::string read_panel_text(const std::string& path);
// Reads the window's background picture from `folder` into
// background_picture, or says in background_problem why it cannot be read;
// `path` names the configuration in that line.
void read_background(PanelConfig& config, const std::string& folder, const std::string& path);
// The picture's path: `name` as a panel configuration writes it (Windows
// separators, any case) found in `folder`.
std::string picture_path(const std::string& folder, const std::string& name);
// "Window00 \"Main panel\", Window01": the windows of a configuration, for messages.
std::string window_list(const PanelConfig& config);
// All five gauges side by side, each at its face's own size, in a window that holds them.
PanelConfig default_panel();

// The module's own spelling of one of its gauge names, given in any case; none for another name.
std::optional<std::string> our_gauge(std::string_view name);
// The size of the face of one of this module's gauges, in pixels; {0, 0} for a name it lacks.
std::pair<int, int> face_size(const std::string& gauge);

// The height of a gauge `width` wide whose line gives no height: its face's
// aspect kept, rounded to the nearest whole unit (a half up). In whatever
// unit `width` is: the pictures use pixels, the page window units.
int height_keeping_aspect(int width, int face_width, int face_height);

}  // namespace bench
