// Panel configurations: the text file in which an aircraft's panel places
// gauges in windows and virtual-cockpit textures. The bench lists every
// [WindowNN] and [VCockpitNN] section and lays out the one chosen, by
// default the first:
//
//   [Window00]
//   file=panel_background.bmp                 // drawn beneath, stretched to size_mm
//   size_mm=1024,768                          // the window's size in its own units
//   gauge00=vmq_Tavok22ap!autopilot, 10, 300, 500     ; X, Y[, W[, H]][, PARAMETER]
//   gauge01=other_file!clock, 600, 20, 120            ; another file's gauge: a labelled box
//
//   [VCockpit01]
//   pixel_size=512,512                        // the texture's size, in which gauges are placed
//   texture=$VC01                             // the model's texture the section draws
//   background_color=0,0,0
//   gauge00=vmq_Tavok22ap!vcaltpreselector, 10, 10, 280
//
// The file is read as the panel engine reads it: whatever it loads, the
// reader takes. Keys are matched without regard to case, blanks around
// keys, values and fields are ignored, `//` and `;` start comments
// (whole-line or trailing), CRLF line ends and a UTF-8 byte-order mark are
// accepted; other keys and sections are passed over. Of a section given
// twice the first is read, of a key given twice in it the first. A line
// of the chosen section the reader cannot read, another file's gauge line
// among them, is passed over (or drawn where its numbers allow) with a
// note naming file:line; only a gauge line naming this module's file must
// read whole, and is refused naming file:line when it does not.
#pragma once

#include <memory>
#include <optional>
#include <cstdint>
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
    std::string file;   // the gauge file named before '!' (or an old-style name's '.'), e.g. "vmq_Tavok22ap"
    std::string gauge;  // the gauge name after it, e.g. "autopilot" (ours: the module's own spelling)
    int x = 0, y = 0;   // position in the window's units (those of size_mm); negative: partly outside
    // Width in the window's units; the gauge is scaled to it. A gauge of
    // this module whose line gives none has its face's width (and
    // width_given false); another file's gauge without one has 0, and is
    // drawn as a small labelled marker at x, y.
    int width = 0;
    bool width_given = true;
    int height = 0;     // 0 when the line gives none: the gauge keeps its own aspect
    std::string named;  // the name as the line writes it ("Radio!Audio"), the label of another file's gauge
    int line = 0;       // line number in the file
    std::string key;    // the key as written, e.g. "gauge03"
    // The name the bench knows this gauge by (scripts click it by this name):
    // the gauge name, with "-2", "-3"... for further copies of the same gauge;
    // empty for another file's gauge.
    std::string name;
    // Names this module's file (case-insensitive "vmq_Tavok22ap") and one of its five gauges.
    bool ours() const;
};

// The highest window number the reader chooses by.
inline constexpr int PANEL_MAX_WINDOW = 9999;
// The window a reader lays out when none is chosen: the first in the file.
inline constexpr int FIRST_WINDOW = -1;
// A section is chosen by its id: [WindowNN] by NN, [VCockpitNN] by
// VCOCKPIT_ID + NN, so that one number names either kind.
inline constexpr int VCOCKPIT_ID = 10000;
inline constexpr int PANEL_MAX_SECTION_ID = VCOCKPIT_ID + PANEL_MAX_WINDOW;
// The side of the marker another file's gauge without a size is drawn as, in window units.
inline constexpr int PANEL_MARKER_UNITS = 16;

// A section the bench lays out: [Window00], [window1], [VCOCKPIT01]...
// Sections of other names ([Views], [Color]...) are passed over.
struct PanelWindow {
    std::string section;  // as written, e.g. "Window01"
    int number = -1;      // its id (-1 when its digits pass PANEL_MAX_WINDOW)
    std::string title;    // its WindowNN= line in [Window Titles], or ""
    int line = 0;         // the line of its [WindowNN]
    bool virtual_cockpit = false;  // a [VCockpitNN] section
    std::string texture;  // a virtual cockpit's texture= name, or ""
};

// The id `text` chooses: a number ("1" is [Window01]) or a section name in
// any case ("Window01", "VCockpit01"). Throws std::invalid_argument.
int window_choice(const std::string& text);
// "Window01", "VCockpit01": the section an id names, for messages.
std::string section_name(int id);

struct PanelConfig {
    std::string source;         // file name, or "(all five gauges)" for the default
    std::string section;        // e.g. "Window00"
    // The window's size in its units: size_mm (pixel_size for a virtual
    // cockpit), its height from the picture's aspect when size_mm gives
    // only a width, the picture's own size without one, and without a
    // picture too the size that holds its gauges (size_note says so).
    int width = 0, height = 0;
    std::vector<PanelPlacement> gauges;  // in file order
    std::vector<PanelWindow> windows;    // every window and virtual-cockpit section, in file order
    bool virtual_cockpit = false;        // the section laid out is a [VCockpitNN]
    uint32_t background_colour = 0;      // a virtual cockpit's background_color, 0x00RRGGBB
    // What the reader passed over or made up, one line each, "FILE:LINE: ...".
    std::vector<std::string> notes;
    std::string size_note;
    // The size as the section gives it (0: not given), from which width and height are settled.
    int given_width = 0, given_height = 0;

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
// `window` chooses the section of that id (FIRST_WINDOW: the first window or
// virtual-cockpit section). Only the chosen section's keys are read. Throws
// PanelConfigError: "FILE:LINE: ..." for a gauge line of this module's file
// that does not read or a line holding a NUL byte, "FILE: there is no
// [WindowNN] ..." (naming the sections there are) for a missing window,
// "FILE:LINE: no window section" for a file with none.
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
// The notes, the size note and the picture's problem, one line each, for a tool to print.
std::vector<std::string> panel_notes(const PanelConfig& config);
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
