// Panel configurations: the first window section of a panel configuration
// file, where gauges are placed by file and name, position and width.
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

// One gaugeNN= line of the window section.
struct PanelPlacement {
    std::string file;   // the gauge file named before '!', e.g. "vmq_Tavok22ap"
    std::string gauge;  // the gauge name after '!', e.g. "autopilot"
    int x = 0, y = 0;   // position in the window's units (those of size_mm)
    int width = 0;      // width in the window's units; the gauge is scaled to it
    int height = 0;     // 0 when the line gives none: the gauge keeps its own aspect
    int line = 0;       // line number in the file
    bool ours() const;  // names this module's file and one of its five gauges
};

struct PanelConfig {
    std::string source;         // file name, or "(all five gauges)" for the default
    std::string section;        // e.g. "Window00"
    int width = 0, height = 0;  // size_mm
    std::vector<PanelPlacement> gauges;  // in file order
};

PanelConfig parse_panel_config(std::string_view text, const std::string& file_name);
PanelConfig read_panel_config(const std::string& path);
// All five gauges side by side, each at its face's own size, in a window that holds them.
PanelConfig default_panel();

}  // namespace bench
